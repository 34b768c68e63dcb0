#pragma once
// The real tree builder a quick-scan benchmark hands its nodes to: every file type passes the
// filter, the root is shown at once (no pause), and a counting sink takes what is shown.
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IRecoveryFilter.h"
#include "engine/ReleasePtr.h"
#include "engine/TreeBuilderSettings.h"
#include "testkit/CountingTreeSink.h"

class CQuickScanTree {
public:
    CQuickScanTree() {
        TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
        settings.u32RootShownPauseMs = 0;
        SetDefaultTreeBuilderSettings(settings);
        // Made after the settings: a builder takes them when it is created.
        m_pBuilder.reset(CreateTreeBuilder(false));
        m_pFilter->SetFilterTypes(FILTER_TYPE_ALL);
        m_pFilter->SetScanType(SCAN_TYPE_QUICK_UNMOUNTED);
        m_pBuilder->Initialize("Disk", &m_sink, m_pFilter.get());
    }
    IDirecotryTreeBuilder* Builder() { return m_pBuilder.get(); }
    unsigned long long ShownCount() const { return m_sink.ShownCount(); }
    /// Frees the builder and the nodes it showed.
    void Release() { m_pBuilder.reset(); }

private:
    ReleasePtr<IRecoveryFilter> m_pFilter{CreateFilter()};
    testkit::CountingTreeSink m_sink{false};
    ReleasePtr<IDirecotryTreeBuilder> m_pBuilder;
};
