#pragma once
// A splitter whose divider is plain black.

#include <QSplitter>

namespace app {

class CustemSplitView : public QSplitter {
    Q_OBJECT
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override;
};

}  // namespace app
