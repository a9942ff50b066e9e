#pragma once

#include <QLabel>

namespace viewer {

// The form's status line. To assistive technology it is a status bar whose name is the text it
// shows, so a screen reader finds it and is told each new text as it comes.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent);
};

} // namespace viewer
