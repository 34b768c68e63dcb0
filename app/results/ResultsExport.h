#pragma once
// Saving the scan into a results file, a part with its own state: the title bar's export button
// opens a save dialog in the default results folder; the scanned image and its device are refused
// with a sheet; the save runs under the progress window.
#include <QObject>

#include <functional>

class QFileDialog;

namespace app::results {

class ResultsExport : public QObject {
    Q_OBJECT

public:
    // `window` holds the dialogs; `isDeepScan` tells what kind of scan is saved.
    ResultsExport(QWidget* window, std::function<bool()> isDeepScan);

    // The save dialog, unless a recovery runs; while a scan runs a sheet says so.
    void exportButtonAction();

signals:
    void fileDialogOpened(QFileDialog* dialog);
    void sheetOpened(QWidget* sheet);
    void scanSaved(bool success);

private:
    void saveScanTo(const QString& path);
    // A scan runs: the sheet that says so, and true.
    bool refusedWhileScanning();

    QWidget* m_window;
    std::function<bool()> m_isDeepScan;
};

}  // namespace app::results
