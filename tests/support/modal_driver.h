// Plays the user's part in the modal windows that open while it lives.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vurk::test {

// Each modal window that opens is recorded in `seen` ("title|text" for a
// message box, else its title) and handled by the next of `steps`. With no
// steps left, a message box is answered with the next of `answers`, or OK.
class ModalDriver {
public:
    using Step = std::function<void(QWidget*)>;
    ModalDriver();

    std::deque<Step> steps;
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<std::string> seen;
    std::vector<int> widths;  // each window's width when it was seen

private:
    QTimer timer_;
    QPointer<QWidget> last_;
};

}  // namespace vurk::test
