#pragma once
// The results window's 90-px bar, painted as every window's bar: home and deep scan at its left,
// the scan box (activity, progress, pause or resume, stop, found and remaining-time labels, the
// selection label and the recover button sliding in from its right end), the search field and,
// once a scan has ended, the export button. It owns its parts and their looks; the window wires
// their clicks and tells it which state to show.
#include <functional>

#include "app/controls/TCImageWindow.h"

namespace app {
class ElidedLabel;
class NewSearchTextFiled;
class QNProgressView;
class TCImageButton;
}  // namespace app

namespace app::results {

class SpinnerView;

class ScanBar : public KWTitlebarView {
    Q_OBJECT

public:
    explicit ScanBar(TCImageWindow* window);

    // The parts the window wires (clicks, focus, the tab chain).
    TCImageButton* home() const { return m_home; }
    TCImageButton* deepScan() const { return m_deepScan; }
    TCImageButton* pause() const { return m_pause; }
    TCImageButton* play() const { return m_play; }
    TCImageButton* stop() const { return m_stop; }
    TCImageButton* recover() const { return m_recover; }
    TCImageButton* exportButton() const { return m_export; }
    NewSearchTextFiled* search() const { return m_search; }
    // What the deep-scan offer points at and keeps clear of.
    QWidget* offerAnchor() const { return m_anchor; }
    ElidedLabel* deepScanLabel() const { return m_deepScanLabel; }
    QWidget* box() const { return m_box; }
    // Where the box's first shown content begins (a label's text, a button), in the bar's
    // coordinates: left of it the box shows only its backdrop.
    int boxContentLeft() const;

    // Seconds of the wall clock for the remaining-time label's once-a-second rule.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    // Places the parts for the bar's width; the recover button takes the box's right end while the
    // scan is `following` and the box shows it, the box's middle once `finished`.
    void layoutParts(bool finished, bool following);
    // The labels before any progress: nothing found, no remaining time, nothing selected.
    void showStillLabels();
    // The scan's progress; the remaining time changes at most once a second.
    void showProgress(double percent, std::uint64_t found, const QString& remaining);
    void showProgressValue(double percent);
    // A new scan (or a deep one) starts: the scan's parts show, the finished ones go.
    void showScanStarting();
    // A loaded results file: no scan's parts.
    void showImport();
    // The scan ended: its parts go, the selection label shows centred and, with `recover`, the
    // recover button.
    void showFinished(bool recover);
    void showDeepScanButton();
    // The scan paused by the user (`paused`) or resumed.
    void showPaused(bool paused);
    void enableScanButtons(bool home, bool pauseAndStop);
    void setSelectionText(const QString& text);
    // The selection label in place of the found and remaining labels, the recover button slid in
    // beside the box unless the scan has `finished`.
    void slideRecoverIn(bool finished, double percent);
    void slideRecoverOut();
    // The export button, made on first use (no tool tip after a deep scan).
    TCImageButton* showExportButton(bool deep);

    QString foundText() const;
    QString remainingText() const;
    QString selectionText() const;

signals:
    void exportRequested();
    // What the box shows changed (a label's text, the finished state): whatever lies beside it
    // makes room again.
    void shownContentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutExportButton();
    // The parts inside the box's part left of the recover button, for its width now: they move
    // with it while the recover button slides in or out, so the scan's controls stay in reach.
    void layoutSubBox();

    TCImageButton* m_home = nullptr;
    ElidedLabel* m_homeLabel = nullptr;
    TCImageButton* m_deepScan = nullptr;
    ElidedLabel* m_deepScanLabel = nullptr;
    QWidget* m_anchor = nullptr;
    QWidget* m_box = nullptr;
    QWidget* m_subBox = nullptr;
    SpinnerView* m_spinner = nullptr;
    QNProgressView* m_progress = nullptr;
    TCImageButton* m_pause = nullptr;
    TCImageButton* m_play = nullptr;
    TCImageButton* m_stop = nullptr;
    ElidedLabel* m_selectFiles = nullptr;
    TCImageButton* m_recover = nullptr;
    ElidedLabel* m_found = nullptr;
    ElidedLabel* m_remaining = nullptr;
    NewSearchTextFiled* m_search = nullptr;
    TCImageButton* m_export = nullptr;
    std::function<qint64()> m_clock;
    qint64 m_lastUpdateTime = 0;
    bool m_finished = false;  // as last laid out
};

}  // namespace app::results
