#pragma once
// One picture per control and state, named after the control's class first
// ("TCImageButton-hover.png"), grabbed at the screen's pixel ratio.

#include <QDir>
#include <QStringList>

namespace gallery {

// Writes every picture into dir; answers the file names written (empty on a write failure, with
// a message on standard error).
QStringList WriteControlShots(const QDir& dir);

// Grabs widget into dir/name.png; false when the file cannot be written.
bool Save(QWidget& widget, const QDir& dir, const QString& name);

// The pictures one writer saves into a folder, each as it is grabbed: their file names, or none
// once any could not be written.
class ShotList {
public:
    explicit ShotList(const QDir& dir) : m_dir(dir) {}
    void operator()(QWidget& widget, const QString& name);
    QStringList Written() const { return m_ok ? m_written : QStringList(); }

private:
    QDir m_dir;
    QStringList m_written;
    bool m_ok = true;
};

}  // namespace gallery
