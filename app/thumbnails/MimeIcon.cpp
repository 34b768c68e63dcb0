#include "MimeIcon.h"

#include <QImage>
#include <QMimeDatabase>
#include <QString>
#include <filesystem>

#include "QtImages.h"

namespace app::thumbnails {

namespace {

// Themes and sizes tried in order; the first picture found is the icon. Reading the theme's
// files directly needs no running GUI application.
constexpr char const* kThemes[] = {"Adwaita", "hicolor", "default"};
constexpr char const* kSizes[] = {"128x128", "96x96", "256x256", "64x64", "48x48", "512x512", "32x32"};

RgbaImage ThemePicture(std::string const& themesRoot, std::string const& iconName) {
    if (iconName.empty() || iconName.find('/') != std::string::npos) return {};
    for (char const* pszTheme : kThemes)
        for (char const* pszSize : kSizes) {
            std::filesystem::path const file =
                std::filesystem::path(themesRoot) / pszTheme / pszSize / "mimetypes" / (iconName + ".png");
            std::error_code error;
            if (!std::filesystem::is_regular_file(file, error)) continue;
            QImage const image(QString::fromStdString(file.string()));
            if (!image.isNull()) return FromQImage(image);
        }
    return {};
}

}  // namespace

RgbaImage IconForExtension(std::string const& extension, std::string const& themesRoot) {
    QMimeDatabase const database;
    QMimeType const type =
        database.mimeTypeForFile(QString::fromStdString("file." + extension), QMimeDatabase::MatchExtension);
    for (QString const& name : {type.iconName(), type.genericIconName(), QStringLiteral("text-x-generic")}) {
        RgbaImage icon = ThemePicture(themesRoot, name.toStdString());
        if (icon.IsImage()) return icon;
    }
    return {};
}

}  // namespace app::thumbnails
