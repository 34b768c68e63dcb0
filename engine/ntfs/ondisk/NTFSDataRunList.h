#pragma once
// Mapping pairs: how a non-resident attribute's clusters lie on the volume. Each pair is a
// header byte (low nibble: width of the cluster count, high nibble: width of the signed LCN
// offset from the previous run; 0 means a sparse run), then the two little-endian fields.
// A header byte of 0 ends the list. Fields of up to 8 bytes are read, so runs beyond 2^31
// clusters decode; counts, VCNs and LCNs are summed with overflow checks.
#include <cstdint>
#include <vector>

class IRSData;
namespace engine {
class ByteView;
}

/// One run: first cluster on the volume (-1 for a sparse run), first cluster within the
/// attribute, number of clusters.
struct CDataRun {
    std::int64_t s64LCN = -1;
    std::int64_t s64VCN = 0;
    std::int64_t s64Count = 0;
    bool operator==(CDataRun const&) const = default;
};

class CNTFSDataRunList {
public:
    /// Whether the pairs decode: widths 1..8 for counts and 0..8 for offsets, every pair
    /// inside `pairs`, no sum overflowing, no LCN below 0. An empty list (first byte 0) is valid.
    static bool IsValid(engine::ByteView pairs);
    /// Sum of the counts; -1 when the pairs are invalid.
    static std::int64_t GetTotalClusters(engine::ByteView pairs);
    /// Appends the runs (VCNs from `s64FirstVCN`); false, appending nothing, when invalid.
    static bool FormDataRunList(engine::ByteView pairs, std::vector<CDataRun>& runs, std::int64_t s64FirstVCN = 0);

    /// Clears the list, then decodes; false when the pairs are invalid.
    bool InitFromBuffer(engine::ByteView pairs);
    /// Appends the runs with `s64FirstVCN` added to each VCN; false when the pairs are invalid.
    bool AddDataRunsfromBuffer(engine::ByteView pairs, std::int64_t s64FirstVCN);
    void Add(CDataRun const& run) { m_runs.push_back(run); }

    /// The LCN of `s64VCN`; -1 when no run holds it or it lies in a sparse run.
    std::int64_t GetLCN(std::int64_t s64VCN) const;
    /// The VCN of `s64LCN`; -1 when no run holds it.
    std::int64_t GetVCN(std::int64_t s64LCN) const;
    bool IsLCNContained(std::int64_t s64LCN) const { return GetVCN(s64LCN) != -1; }
    /// Sum of the counts.
    std::int64_t GetTotalClusters() const;
    bool IsEmpty() const { return m_runs.empty(); }
    std::vector<CDataRun> const& Runs() const { return m_runs; }
    void ClearDataRunList() { m_runs.clear(); }
    void GetDataRunList(std::vector<CDataRun>& out) const { out.insert(out.end(), m_runs.begin(), m_runs.end()); }
    /// Same runs in the same order.
    bool IsEqual(CNTFSDataRunList const& other) const { return m_runs == other.m_runs; }
    /// Stable sort by VCN.
    void Sort();

    /// Count (8 bytes), then LCN, count, VCN per run (8 bytes each), little-endian.
    void Save(IRSData& archive) const;
    /// Reads that form and appends; throws the archive's exception when the frame cannot hold
    /// the count's runs, so a hostile file can neither loop nor allocate by its count.
    void Restore(IRSData& archive);

private:
    std::vector<CDataRun> m_runs;
};
