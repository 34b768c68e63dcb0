#pragma once
// The test hook's options, parsed once after QApplication has taken its own.

#include <QString>
#include <QStringList>

namespace app {

struct LaunchOptions {
    QString scanImage;          // --scan IMAGE: that disk-image file is the only device, scanned at start
    bool quitWhenDone = false;  // --quit-when-done: print the RESULT line once the scan ended, quit
    QString recoverTo;          // --recover-to DIR: after the scan every file is recovered into DIR
    QString saveTo;             // --save-to FILE: after the scan it is saved into that results file
    QString loadFile;           // --load FILE: that results file is loaded instead of a scan (with
                                // --scan IMAGE, the image is the attached device it is matched to)
    QString openImage;          // --open-image IMAGE: the wizard is walked as for --scan, IMAGE opened
                                // through the disk page's own "Disk image…" control and its dialog
    int choose = -1;            // --choose N: row N of the chosen disk on the disk page (0 the disk itself)
                                // instead of the page's own first choice
    bool grid = false;          // --grid
    int coverflow = -1;         // --coverflow N
    bool deepScan = false;      // --deep-scan: after the quick scan, Deep Scan is pressed and followed
    bool printTrees = false;    // --print-trees: every row of the four trees when the scan ends
    QString checkPath;          // --check REL: that path-tree row is checked before the trees print
    bool progress = false;      // --progress: a PROGRESS line for each change of the progress display

    // Whether these options run a script (nobody is there to answer a question).
    bool scripted() const { return !scanImage.isEmpty() || !loadFile.isEmpty() || !openImage.isEmpty(); }

    // Parses the arguments left after QApplication's; false with a message on an unknown option
    // or a missing value.
    // `arguments` hold no program name. On failure `options` is left as it was.
    static bool Parse(const QStringList& arguments, LaunchOptions& options, QString& error);
    // Whether `argument` is one of these options, and whether it is followed by a value.
    static bool IsOption(const QString& argument);
    static bool TakesValue(const QString& argument);
    // The same over QCoreApplication::arguments() without the program's name.
    static bool ParseApplicationArguments(LaunchOptions& options, QString& error);
};

// The options of this process, as parsed at start (empty when none were given).
const LaunchOptions& CurrentLaunchOptions();
// Kept by InstallModelSeams when it is given options.
void SetCurrentLaunchOptions(const LaunchOptions& options);

}  // namespace app
