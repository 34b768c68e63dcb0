#pragma once
// The properties behind a carved-file node: size, attribute, states, the analyser's time text
// and the run list, which the node takes over when it is built.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/IDataRunList.h"
#include "engine/IFileProperties.h"
#include "engine/ReleasePtr.h"

class CRawFileInfo;

class CRAWFileProperties final : public IFileProperties {
public:
    static constexpr std::uint16_t kAttributeFile = 0x20;
    static constexpr std::uint16_t kAttributeFolder = 0x10;
    static constexpr std::uint32_t kPropertiesType = 3;
    static constexpr std::uint32_t kMaskFlag = 463;

    /// A zeroed object with an empty time and no run list.
    static std::unique_ptr<CRAWFileProperties> Create();

    unsigned int GetFileNameLength() override { return m_u8NameLength; }
    void SetFileName(char const*) override {}
    /// Null unless SetRawFileName was called: the node keeps the carved name.
    char const* GetFileName() override { return m_strName.empty() ? nullptr : m_strName.c_str(); }
    long long GetFileSize() override { return static_cast<long long>(m_u64Size); }
    unsigned int GetAttribute() override { return m_u16Attribute; }
    std::string GetRawFileCreateTime() override { return m_strTime; }
    unsigned long long GetCreationTime() override { return 0; }
    unsigned long long GetModificationTime() override { return 0; }
    unsigned long long GetLastAccessTime() override { return 0; }
    unsigned short GetState() override { return m_u8State; }
    void SetState(unsigned short u16State) override { m_u8State = static_cast<std::uint8_t>(u16State); }
    /// The run list (not owned by the caller); null before InitRawFileProperties.
    IDataRunList* GetDataRunList() override { return m_pRuns; }
    /// A copy that observes the same run list; the caller deletes it.
    IFileProperties* Clone() override;

    std::uint8_t GetCheckState() const { return m_u8CheckState; }
    void SetCheckState(std::uint8_t u8State) { m_u8CheckState = u8State; }
    std::uint32_t GetMaskFlag() const { return kMaskFlag; }
    std::uint8_t GetMatchState() const { return m_u8MatchState; }
    int SetMatchState(int iState) {
        m_u8MatchState = static_cast<std::uint8_t>(iState);
        return 1;
    }

    /// Copies the size and time and makes a one-run list: the start sector, and the size in
    /// 512-byte units rounded up, whatever the device's sector size.
    void InitRawFileProperties(CRawFileInfo const& info);
    void SetAttribute(std::uint16_t u16Attribute) { m_u16Attribute = u16Attribute; }
    void SetRawFileName(char const* pszName);
    void SetRawFileTime(std::string strTime);
    std::uint32_t GetFilePropertyiesType() const { return kPropertiesType; }
    /// Hands the run list to the node; GetDataRunList still answers it.
    ReleasePtr<IDataRunList> TakeDataRunList() { return std::move(m_ownedRuns.pList); }

private:
    /// The run list until the node takes it. A copy owns none: it observes the original's list
    /// (m_pRuns), so that every other member is copied by the copy constructor as it is.
    struct OwnedRuns {
        OwnedRuns() = default;
        OwnedRuns(OwnedRuns const&) {}
        OwnedRuns& operator=(OwnedRuns const&) = delete;
        ReleasePtr<IDataRunList> pList;
    };

    std::uint8_t m_u8NameLength = 0;
    std::string m_strName;
    std::uint64_t m_u64Size = 0;
    std::uint16_t m_u16Attribute = 0;
    std::uint8_t m_u8CheckState = 0;
    std::uint8_t m_u8MatchState = 0;
    std::uint8_t m_u8State = 0;
    std::string m_strTime;
    std::uint8_t m_u8TimeLength = 0;
    OwnedRuns m_ownedRuns;
    IDataRunList* m_pRuns = nullptr;  // the list, wherever it lives
};
