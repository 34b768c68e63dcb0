#pragma once
// The named images of the interface ("home_normal", "checkbox_yes", "pop_header_bg", ...).
// Each four-state family is one SVG of our own in the resources; its pressed, hover and disabled
// states are made from the normal one (darker, lighter, desaturated at 40 % alpha). Check boxes,
// backdrops and the window buttons are drawn by code. Every image is rendered once per name, size
// and pixel ratio and kept: painting only looks pixmaps up, it never parses SVG.

#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPainter;
class QSvgRenderer;

namespace app {

class ImageLibrary {
public:
    static ImageLibrary& instance();

    // The image of name drawn at size (logical pixels; the natural size when empty) for the pixel
    // ratio (the application's when 0). A null pixmap for an unknown name.
    QPixmap pixmap(const QString& name, QSize size = {}, qreal devicePixelRatio = 0);
    // The size an image has when nobody asks for another; invalid for an unknown name.
    QSize naturalSize(const QString& name) const;
    bool contains(const QString& name) const { return m_entries.contains(name); }
    QStringList names() const { return m_entries.keys(); }
    // How many images have been rendered so far (not looked up): the cache's test.
    quint64 renderCount() const { return m_renderCount; }

    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

private:
    enum class State { Normal, Press, Hover, Disable, Focus };
    using Draw = std::function<void(QPainter&, const QRectF&)>;
    struct Entry {
        QString svg;  // resource of the glyph; empty for an image drawn by code
        Draw draw;
        QSize natural;
        State state = State::Normal;
    };

    ImageLibrary();
    void addFamily(const QString& family, const QString& svg, QSize natural);
    void addSvg(const QString& name, const QString& svg, QSize natural, State state = State::Normal);
    void addDrawn(const QString& name, QSize natural, Draw draw);
    QImage render(const Entry& entry, QSize size, qreal devicePixelRatio);
    QSvgRenderer* renderer(const QString& svg);

    QHash<QString, Entry> m_entries;
    QHash<QString, QPixmap> m_cache;
    QHash<QString, std::shared_ptr<QSvgRenderer>> m_renderers;
    quint64 m_renderCount = 0;
};

// The image of name at its natural size for the application's pixel ratio; null when unknown.
QPixmap imageNamed(const QString& name);

}  // namespace app
