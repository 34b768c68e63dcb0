#pragma once
// The results window's 90-px bar, painted as every window's bar: home and deep scan at its left,
// the scan box (activity, progress, pause or resume, stop, found and remaining-time labels, the
// selection label and the recover button sliding in from its right end), the search field and,
// once a scan has ended, the export button. It owns its parts and their looks; the window wires
// their clicks, and the scan's state (ScanState) says what it shows: showState draws it.
#include <functional>

#include "app/controls/TCImageWindow.h"
#include "app/results/ScanState.h"

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
    // Where the box's first shown content begins (a label's text, a button), in the bar's
    // coordinates: left of it the box shows only its backdrop.
    int boxContentLeft() const;

    // Where the keyboard rests when a bar part that held it hides or stops taking keys (the
    // results' tree): never the next button of the bar, which Return or Space would press.
    void setFocusRest(std::function<QWidget*()> rest) { m_focusRest = std::move(rest); }
    // Seconds of the wall clock for the remaining-time label's once-a-second rule.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    // The one place the scan's state is drawn: which parts show and which take clicks, and what a
    // change of phase moves (labels, the recover button, the focus).
    void showState(const ScanState& state);
    // Places the parts for the bar's width and the state shown; the recover button takes the box's
    // right end while a followed scan's box shows it, the box's middle once the scan has ended.
    void layoutParts();
    // The labels before any progress: nothing found, no remaining time, nothing selected.
    void showStillLabels();
    // The scan's progress; the remaining time changes at most once a second.
    void showProgress(double percent, std::uint64_t found, const QString& remaining);
    void showProgressValue(double percent);
    void setSelectionText(const QString& text);
    // The selection label in place of the found and remaining labels, the recover button slid in
    // beside the box unless the scan has ended.
    void slideRecoverIn(double percent);

    QString foundText() const;

signals:
    void exportRequested();
    // What the box shows changed (a label's text, the finished state): whatever lies beside it
    // makes room again.
    void shownContentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A change of phase from `before`: what moves once rather than what each phase shows.
    void showPhaseChange(ScanPhase before);
    void slideRecoverOut();
    // The export button, made on first use (no tool tip after a deep scan).
    TCImageButton* makeExportButton(bool deep);
    void layoutExportButton();
    // The parts inside the box's part left of the recover button, for its width now: they move
    // with it while the recover button slides in or out, so the scan's controls stay in reach.
    void layoutSubBox();
    // After the parts changed for a new state: the focus a hidden or closed part held goes to its
    // counterpart when the keyboard had chosen that part (pause and resume take turns, the pause
    // button follows Deep Scan), else to the rest.
    void settleFocus(QWidget* had);

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
    std::function<QWidget*()> m_focusRest;
    qint64 m_lastUpdateTime = 0;
    ScanState m_state;  // as last drawn
};

}  // namespace app::results
