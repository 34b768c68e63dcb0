#include "app/controls/ImageLibrary.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <cmath>

#include "app/controls/Theme.h"

// Resources of a static library are registered by hand; outside any namespace, as Qt asks.
static void RegisterImageResources() { Q_INIT_RESOURCE(quorin_images); }

namespace app {

namespace {

constexpr qsizetype kMaxCachedImages = 2048;

QColor Rgb(QRgb rgb, qreal alpha = 1.0) {
    QColor c(rgb);
    c.setAlphaF(float(alpha));
    return c;
}

// The states made from a normal image, pixel by pixel on premultiplied ARGB.
void ApplyState(QImage& image, int state) {
    enum { Normal, Press, Hover, Disable, Focus };
    if (state == Normal) return;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            if (a == 0) continue;
            int r = qRed(p), g = qGreen(p), b = qBlue(p);
            switch (state) {
                case Press:  // darker
                    r = r * 65 / 100, g = g * 65 / 100, b = b * 65 / 100;
                    break;
                case Hover:  // lighter, towards white within the same coverage
                case Focus:
                    r += (a - r) * (state == Focus ? 60 : 40) / 100;
                    g += (a - g) * (state == Focus ? 60 : 40) / 100;
                    b += (a - b) * (state == Focus ? 60 : 40) / 100;
                    break;
                case Disable: {  // grey at 40 % alpha
                    const int grey = (r * 30 + g * 59 + b * 11) / 100;
                    line[x] = qRgba(grey * 40 / 100, grey * 40 / 100, grey * 40 / 100, a * 40 / 100);
                    continue;
                }
                default:
                    break;
            }
            line[x] = qRgba(r, g, b, a);
        }
    }
}

void DrawCheckBox(QPainter& p, const QRectF& r, int state /*0 no, 1 yes, 2 mixed*/) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal unit = r.width() / 16.0;
    const QRectF box = r.adjusted(1.5 * unit, 1.5 * unit, -1.5 * unit, -1.5 * unit);
    if (state == 0) {
        p.setPen(QPen(Rgb(theme::kGlyph), 1.2 * unit));
        p.setBrush(Rgb(theme::kListRow));
    } else {
        p.setPen(QPen(Rgb(theme::kProgressGlow).lighter(115), 1.0 * unit));
        p.setBrush(Rgb(theme::kProgressGlow));
    }
    p.drawRoundedRect(box, 2.5 * unit, 2.5 * unit);
    if (state == 0) return;
    QPen mark(Qt::white, 1.8 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    const auto at = [&](qreal x, qreal y) { return QPointF(r.x() + x * unit, r.y() + y * unit); };
    if (state == 1) {
        p.drawPolyline(QVector<QPointF>{at(4.5, 8.3), at(7, 10.8), at(11.5, 5.5)});
    } else {
        p.drawLine(at(5, 8), at(11, 8));
    }
}

// A flat panel with a rounded outline: the backdrops of boxes and tiles.
void DrawPanel(QPainter& p, const QRectF& r, QColor fill, QColor line, qreal radius) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(line.isValid() ? QPen(line, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

enum class WindowButton { Close, Minimize, Zoom };
enum class WindowLook { Active, ActiveNotKey, Inactive, Rollover, Pressed };

void DrawWindowButton(QPainter& p, const QRectF& r, WindowButton kind, WindowLook look) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = qMin(r.width(), r.height()) - 2;
    const QRectF circle(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    QColor fill = kind == WindowButton::Close      ? QColor(237, 94, 87)
                  : kind == WindowButton::Minimize ? QColor(245, 190, 79)
                                                   : QColor(98, 197, 84);
    if (look == WindowLook::ActiveNotKey || look == WindowLook::Inactive) fill = QColor(72, 76, 82);
    if (look == WindowLook::Pressed) fill = fill.darker(130);
    p.setPen(QPen(look == WindowLook::Inactive ? QColor(90, 94, 100) : fill.darker(125), 0.8));
    p.setBrush(look == WindowLook::Inactive ? QColor(0, 0, 0, 0) : fill);
    p.drawEllipse(circle);
    if (look != WindowLook::Rollover && look != WindowLook::Pressed) return;
    // The glyphs show while the pointer is over the group: what each light does.
    p.setPen(QPen(QColor(60, 20, 16, 200), d / 8, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = circle.center();
    const qreal g = d * 0.24;
    switch (kind) {
        case WindowButton::Close:
            p.drawLine(c + QPointF(-g, -g), c + QPointF(g, g));
            p.drawLine(c + QPointF(g, -g), c + QPointF(-g, g));
            break;
        case WindowButton::Minimize:
            p.drawLine(c + QPointF(-g * 1.2, 0), c + QPointF(g * 1.2, 0));
            break;
        case WindowButton::Zoom:
            p.drawLine(c + QPointF(-g * 1.2, 0), c + QPointF(g * 1.2, 0));
            p.drawLine(c + QPointF(0, -g * 1.2), c + QPointF(0, g * 1.2));
            break;
    }
}

QString CacheKey(const QString& name, QSize size, qreal ratio) {
    return name + QLatin1Char('|') + QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) +
           QLatin1Char('@') + QString::number(ratio, 'g', 4);
}

}  // namespace

ImageLibrary& ImageLibrary::instance() {
    static ImageLibrary library;
    return library;
}

ImageLibrary::ImageLibrary() {
    RegisterImageResources();
    const QString images = QStringLiteral(":/images/%1.svg");

    // Buttons of four states.
    const struct {
        const char* family;
        QSize natural;
    } families[] = {
        {"home", {32, 32}},
        {"deepscan", {32, 32}},
        {"pause", {16, 16}},
        {"play", {16, 16}},
        {"stop", {16, 16}},
        {"import", {16, 16}},
        {"export", {16, 16}},
        {"search", {16, 16}},
        {"del", {16, 16}},
        {"back", {110, 34}},
        {"continue", {110, 34}},
        {"start", {140, 40}},
        {"botton_recover", {100, 30}},
        {"icon_graphics", {50, 50}},
        {"icon_audio", {50, 50}},
        {"icon_video", {50, 50}},
        {"icon_archive", {50, 50}},
        {"icon_document", {50, 50}},
        {"icon_other", {50, 50}},
    };
    for (const auto& f : families) {
        const QString family = QLatin1String(f.family);
        addFamily(family, images.arg(family), f.natural);
    }
    // The view switch's segments: the chosen one lit, the other plain.
    for (const char* segment : {"list", "preview", "grid"}) {
        const QString s = QLatin1String(segment);
        addSvg(s + QStringLiteral("_focus"), images.arg(s), {24, 18}, State::Focus);
        addSvg(s + QStringLiteral("_no_hover"), images.arg(s), {24, 18});
    }

    // Single glyphs.
    addSvg(QStringLiteral("warning_b"), images.arg(QStringLiteral("warning_b")), {64, 64});
    addSvg(QStringLiteral("logo"), images.arg(QStringLiteral("logo")), {64, 64});
    addSvg(QStringLiteral("mirror_image"), images.arg(QStringLiteral("mirror_image")), {16, 16});
    addSvg(QStringLiteral("usb.png"), images.arg(QStringLiteral("usb")), {16, 16});
    addSvg(QStringLiteral("select"), images.arg(QStringLiteral("select")), {16, 16});
    addSvg(QStringLiteral("loading.png"), images.arg(QStringLiteral("loading")), {64, 64});
    addSvg(QStringLiteral("loading.gif"), images.arg(QStringLiteral("loading")), {16, 16});
    // Row icons by kind: volume root, folder, the six categories, date root and group, other.
    const char* rowIcons[] = {"disk",       "folder",       "icon_graphics", "icon_audio",
                              "icon_video", "icon_archive", "icon_document", "icon_other",
                              "calendar",   "calendar",     "folder"};
    for (int kind = 0; kind < int(std::size(rowIcons)); ++kind)
        addSvg(QStringLiteral("%1IconImage").arg(kind), images.arg(QLatin1String(rowIcons[kind])), {16, 16});

    // Drawn by code.
    addDrawn(QStringLiteral("checkbox_no"), {16, 16}, [](QPainter& p, const QRectF& r) { DrawCheckBox(p, r, 0); });
    addDrawn(QStringLiteral("checkbox_yes"), {16, 16}, [](QPainter& p, const QRectF& r) { DrawCheckBox(p, r, 1); });
    addDrawn(QStringLiteral("checkbox_election"), {16, 16},
             [](QPainter& p, const QRectF& r) { DrawCheckBox(p, r, 2); });
    addDrawn(QStringLiteral("deletered"), {16, 16}, [](QPainter& p, const QRectF& r) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = r.width() / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 64, 58));
        p.drawEllipse(r.adjusted(2 * u, 2 * u, -2 * u, -2 * u));
        p.setPen(QPen(Qt::white, 1.6 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(r.topLeft() + QPointF(5.5 * u, 5.5 * u), r.topLeft() + QPointF(10.5 * u, 10.5 * u));
        p.drawLine(r.topLeft() + QPointF(10.5 * u, 5.5 * u), r.topLeft() + QPointF(5.5 * u, 10.5 * u));
    });
    // A file that will not come back whole: a grey disc crossed by an orange bar.
    addDrawn(QStringLiteral("norecover"), {16, 16}, [](QPainter& p, const QRectF& r) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = r.width() / 16.0;
        p.setPen(QPen(QColor(232, 140, 40), 1.6 * u));
        p.setBrush(QColor(96, 100, 108));
        p.drawEllipse(r.adjusted(2 * u, 2 * u, -2 * u, -2 * u));
        p.drawLine(r.topLeft() + QPointF(4.5 * u, 11.5 * u), r.topLeft() + QPointF(11.5 * u, 4.5 * u));
    });
    // A file copied with a note: an amber triangle with an exclamation mark.
    addDrawn(QStringLiteral("noted"), {16, 16}, [](QPainter& p, const QRectF& r) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = r.width() / 16.0;
        QPolygonF triangle;
        triangle << r.topLeft() + QPointF(8 * u, 2 * u) << r.topLeft() + QPointF(14.5 * u, 14 * u)
                 << r.topLeft() + QPointF(1.5 * u, 14 * u);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 176, 40));
        p.drawPolygon(triangle);
        p.setPen(QPen(QColor(40, 30, 10), 1.6 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(r.topLeft() + QPointF(8 * u, 6 * u), r.topLeft() + QPointF(8 * u, 10 * u));
        p.drawPoint(r.topLeft() + QPointF(8 * u, 12.3 * u));
    });
    addDrawn(QStringLiteral("pop_header_bg"), {400, 22}, [](QPainter& p, const QRectF& r) {
        p.fillRect(r, Rgb(theme::kTitleBarGrey));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), QColor(28, 30, 34));
    });
    addDrawn(QStringLiteral("schedule_bg"), {450, 65},
             [](QPainter& p, const QRectF& r) { DrawPanel(p, r, QColor(29, 32, 36), QColor(50, 54, 60), 6); });
    addDrawn(QStringLiteral("text_bg"), {400, 50},
             [](QPainter& p, const QRectF& r) { DrawPanel(p, r, QColor(45, 49, 55), QColor(58, 63, 70), 5); });
    addDrawn(QStringLiteral("bg_tab"), {100, 30}, [](QPainter& p, const QRectF& r) {
        DrawPanel(p, r, QColor(48, 53, 60), QColor(), 3);
        p.fillRect(QRectF(r.left(), r.bottom() - 2, r.width(), 2), Rgb(theme::kProgressGlow));
    });
    addDrawn(QStringLiteral("bg_150"), {150, 150},
             [](QPainter& p, const QRectF& r) { p.fillRect(r, Rgb(theme::kBackdrop)); });
    addDrawn(QStringLiteral("progress_bar_bg"), {368, 6}, [](QPainter& p, const QRectF& r) {
        DrawPanel(p, r, QColor(20, 22, 25), QColor(52, 56, 62), r.height() / 2);
    });
    addDrawn(QStringLiteral("view_bg_normal"), {114, 94},
             [](QPainter& p, const QRectF& r) { DrawPanel(p, r, Rgb(theme::kListBand), QColor(50, 54, 60), 4); });
    addDrawn(QStringLiteral("view_bg_press"), {114, 94}, [](QPainter& p, const QRectF& r) {
        DrawPanel(p, r, Rgb(theme::kHighlightedRow), Rgb(theme::kProgressGlow), 4);
    });
    addDrawn(QStringLiteral("BackgroundDust"), {64, 64}, [](QPainter& p, const QRectF& r) {
        p.fillRect(r, Rgb(theme::kBackdrop));
        const qreal u = r.width() / 64.0;
        for (int i = 0; i < 12; ++i)  // a fixed scatter: the same tile every time
            p.fillRect(QRectF(r.left() + ((i * 37) % 61) * u, r.top() + ((i * 23 + 7) % 59) * u, u, u),
                       QColor(44, 48, 53));
    });
    // The window's own close, minimise and zoom lights.
    const struct {
        const char* name;
        WindowButton kind;
    } buttons[] = {{"close", WindowButton::Close}, {"minimize", WindowButton::Minimize}, {"zoom", WindowButton::Zoom}};
    const struct {
        const char* name;
        WindowLook look;
    } looks[] = {{"active", WindowLook::Active},
                 {"activenotkey", WindowLook::ActiveNotKey},
                 {"inactive", WindowLook::Inactive},
                 {"rollover", WindowLook::Rollover},
                 {"pressed", WindowLook::Pressed}};
    for (const auto& b : buttons)
        for (const auto& l : looks)
            addDrawn(
                QStringLiteral("window_%1_%2").arg(QLatin1String(b.name), QLatin1String(l.name)), {14, 16},
                [kind = b.kind, look = l.look](QPainter& p, const QRectF& r) { DrawWindowButton(p, r, kind, look); });
}

void ImageLibrary::addFamily(const QString& family, const QString& svg, QSize natural) {
    addSvg(family + QStringLiteral("_normal"), svg, natural, State::Normal);
    addSvg(family + QStringLiteral("_press"), svg, natural, State::Press);
    addSvg(family + QStringLiteral("_hover"), svg, natural, State::Hover);
    addSvg(family + QStringLiteral("_disable"), svg, natural, State::Disable);
}

void ImageLibrary::addSvg(const QString& name, const QString& svg, QSize natural, State state) {
    m_entries.insert(name, Entry{svg, {}, natural, state});
}

void ImageLibrary::addDrawn(const QString& name, QSize natural, Draw draw) {
    m_entries.insert(name, Entry{{}, std::move(draw), natural, State::Normal});
}

QSize ImageLibrary::naturalSize(const QString& name) const {
    const auto it = m_entries.constFind(name);
    return it == m_entries.constEnd() ? QSize() : it->natural;
}

QSvgRenderer* ImageLibrary::renderer(const QString& svg) {
    auto& slot = m_renderers[svg];
    if (!slot) slot = std::make_shared<QSvgRenderer>(svg);
    return slot.get();
}

QImage ImageLibrary::render(const Entry& entry, QSize size, qreal ratio) {
    const QSize pixels(qMax(1, int(std::ceil(size.width() * ratio))), qMax(1, int(std::ceil(size.height() * ratio))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(ratio, ratio);
        const QRectF bounds(QPointF(0, 0), QSizeF(size));
        if (entry.draw)
            entry.draw(painter, bounds);
        else if (QSvgRenderer* svg = renderer(entry.svg); svg->isValid())
            svg->render(&painter, bounds);
    }
    ApplyState(image, int(entry.state));
    image.setDevicePixelRatio(ratio);
    ++m_renderCount;
    return image;
}

QPixmap ImageLibrary::pixmap(const QString& name, QSize size, qreal ratio) {
    const auto it = m_entries.constFind(name);
    if (it == m_entries.constEnd()) return {};
    if (size.isEmpty()) size = it->natural;
    if (ratio <= 0) ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QString key = CacheKey(name, size, ratio);
    if (const auto cached = m_cache.constFind(key); cached != m_cache.constEnd()) return *cached;
    // Sizes follow window widths; a long resize must not keep every width it passed through.
    if (m_cache.size() >= kMaxCachedImages) m_cache.clear();
    QPixmap pixmap = QPixmap::fromImage(render(*it, size, ratio));
    m_cache.insert(key, pixmap);
    return pixmap;
}

QPixmap imageNamed(const QString& name) { return ImageLibrary::instance().pixmap(name); }

}  // namespace app
