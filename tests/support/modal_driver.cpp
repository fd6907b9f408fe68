#include "tests/support/modal_driver.h"

#include <QApplication>

namespace vurk::test {

ModalDriver::ModalDriver() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == last_) return;
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box && steps.empty()) return;
        last_ = w;
        seen.push_back((w->windowTitle() + (box ? "|" + box->text() : QString())).toStdString());
        widths.push_back(w->width());
        if (!steps.empty()) {
            Step step = steps.front();
            steps.pop_front();
            step(w);
        } else {
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            box->done(answer);
        }
    });
    timer_.start();
}

}  // namespace vurk::test
