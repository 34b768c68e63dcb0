#include "app/shell/CommandLine.h"

#include <QDir>
#include <QFileInfo>

#include "app/base/LanguageArgument.h"
#include "uimodel/support/Plist.h"

namespace app {

namespace {

// Qt's own options, which QApplication takes out of the arguments itself.
const QStringList& QtOptionsWithValue() {
    static const QStringList s_options{
        "-platform",    "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
        "-qwindowicon", "-qwindowtitle",       "-session",       "-style",  "-stylesheet",
        "-display",     "-geometry",           "-title"};
    return s_options;
}
const QStringList& QtFlags() {
    static const QStringList s_flags{"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    return s_flags;
}

CommandLine Refuse(const QString& why) {
    CommandLine line;
    line.exitCode = 2;
    line.err = QStringLiteral("quorin: %1\n").arg(why) + UsageText();
    return line;
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "usage: quorin [LANGUAGE] [OPTION...]\n"
        "Finds deleted and lost files on disks, memory cards and disk images, and copies them to safety.\n"
        "\n"
        "  LANGUAGE            the interface language from now on (a code it has texts for, as en)\n"
        "  -h, --help          print this help and exit\n"
        "      --version       print the version and exit\n"
        "\n"
        "Scripted runs walk the window through its pages as a person would:\n"
        "      --scan IMAGE    scan the disk-image file IMAGE, listed as the only disk\n"
        "      --open-image IMAGE  open IMAGE through the disk page's \"Disk image...\" control, then scan it\n"
        "      --choose N      on the disk page choose row N of the disk (0 the whole disk), not its first volume\n"
        "      --load FILE     load the results file FILE instead of scanning; with --open-image IMAGE,\n"
        "                      IMAGE is opened when the disk the scan was made from is not attached\n"
        "      --save-to FILE  save the scan into FILE (an existing file is never replaced)\n"
        "      --recover-to DIR  recover every file found into DIR (made when missing, never on the scanned device)\n"
        "      --quit-when-done  quit at the end, printing \"RESULT state=finished|noted|stopped|failed found=N ...\"\n"
        "      --grid          show the found pictures as a grid once the scan ended\n"
        "      --coverflow N   show the cover flow at row N once the scan ended\n"
        "      --deep-scan     after the quick scan press Deep Scan and wait for it (with --scan)\n"
        "      --progress      print \"PROGRESS percent=P found=N rows=R deep=0|1\" as the progress shows,\n"
        "                      \"ENDED stopped=0|1 deep=0|1 window=ID\" when the scan ends,\n"
        "                      \"SHOWN NAME ID\" for each dialog the results window opens,\n"
        "                      \"LOG PATH\" for the log a recovery's last dialog names,\n"
        "                      \"FOCUS ID\" when another window becomes active, \"NOTICE diskFull ID\"\n"
        "                      each time the recovery's disk-full notice comes, \"STATE phase=P kind=K\"\n"
        "                      as the scan's state changes, \"VIEW list|coverflow|grid\" as another view\n"
        "                      shows and \"SEARCH key=\"K\" field=\"F\" rows=R note=\"N\"\" as a search's\n"
        "                      hits, or the whole scan after it, show (with --scan)\n"
        "      --check REL     check the path-tree row REL (as DCIM/100CANON) under the first volume's root\n"
        "      --print-trees   print every row of the four trees: TREE, view, depth, label, check state\n"
        "\n"
        "Exit status: 0 done; 1 a scripted run failed or was stopped, no display, missing resources,\n"
        "or another copy runs (given options of a scripted run); 2 a bad argument; 3 a scripted recovery\n"
        "wrote files with notes (noted=N: their bytes may not be the files'; the log names them).\n");
}

CommandLine ReadCommandLine(const QStringList& arguments, const std::function<bool(const QString&)>& hasTexts) {
    QStringList own;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            CommandLine line;
            line.out = UsageText();
            return line;
        }
        if (argument == QLatin1String("--version")) {
            CommandLine line;
            line.out = QStringLiteral("quorin %1\n").arg(QLatin1String(QUORIN_VERSION));
            return line;
        }
        if (QtOptionsWithValue().contains(argument)) {
            ++i;
            continue;
        }
        if (QtFlags().contains(argument) || argument.startsWith(QLatin1String("-qmljsdebugger="))) continue;
        own << argument;
    }
    CommandLine line;
    line.language = TakeLanguageArgument(own);
    if (!line.language.isEmpty() && (line.language.startsWith(QLatin1Char('-')) ||
                                     !LooksLikeLanguageCode(line.language) || !hasTexts(line.language)))
        return Refuse(
            line.language.startsWith(QLatin1Char('-'))
                ? QStringLiteral("unknown option %1").arg(line.language)
                : QStringLiteral("\"%1\" is neither an option nor a language it has texts for").arg(line.language));
    QString error;
    if (!LaunchOptions::Parse(own, line.options, error)) return Refuse(error);
    line.run = true;
    return line;
}

QString NoDisplayReason(const QStringList& arguments, const std::function<QString(const char*)>& env) {
    QString platform = env("QT_QPA_PLATFORM");
    if (const qsizetype at = arguments.indexOf(QLatin1String("-platform")); at >= 0 && at + 1 < arguments.size())
        platform = arguments[at + 1];
    platform = platform.section(QLatin1Char(':'), 0, 0);
    // offscreen, minimal, vnc and the like need no display server.
    if (!platform.isEmpty() && platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return {};
    const QString wayland = env("WAYLAND_DISPLAY");
    if (!wayland.isEmpty() && platform != QLatin1String("xcb")) return {};
    const QString display = env("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral(
            "no display to open its window on (DISPLAY and WAYLAND_DISPLAY are not set); "
            "start it from a desktop session, or under xvfb-run");
    // A local X display ":N" listens on its socket; Qt would abort without a word of its own.
    if (display.startsWith(QLatin1Char(':'))) {
        const QString number = display.mid(1).section(QLatin1Char('.'), 0, 0);
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            return QStringLiteral("the display %1 does not answer (no X server listens on it)").arg(display);
    }
    return {};
}

QString MissingResourceReason() {
    for (const char* name : {"Strings.en.plist", "FileType.plist"}) {
        if (!uimodel::LocateResource(name).empty()) continue;
        QStringList folders;
        for (const std::string& folder : uimodel::ResourceFolders())
            folders << QDir::cleanPath(QString::fromStdString(folder));
        return QStringLiteral("its resource %1 is missing; looked in %2")
            .arg(QLatin1String(name), folders.join(QLatin1String(", ")));
    }
    return {};
}

bool HasTextsFor(const QString& language) {
    QString code = language;
    code.replace(QLatin1Char('-'), QLatin1Char('_'));
    for (const QString& candidate : {code, code.section(QLatin1Char('_'), 0, 0)})
        if (!uimodel::LocateResource(QStringLiteral("Strings.%1.plist").arg(candidate).toStdString()).empty())
            return true;
    return false;
}

}  // namespace app
