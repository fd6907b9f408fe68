#include "dialogs/controls.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace vurk {

OkCancel makeOkCancel(QDialog* dialog) {
    auto* ok = new QPushButton("OK", dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", dialog);
    cancel->setObjectName("2");
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}

int execModal(QDialog& dialog) {
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog.exec();
}

int titleBarWidth(const QString& title) {
    // Title bars use a bold face, often larger than the dialogs' text; the
    // frame's icon and its three buttons take about 120 pixels more.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(std::max(font.pointSizeF(), 10.0));
    return QFontMetrics(font).horizontalAdvance(title) + 120;
}

namespace {

class TitleFitter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow()) return false;
        const int need = titleBarWidth(dialog->windowTitle());
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            // A message box sizes itself from its layout when shown; a spacer
            // as wide as the title makes it that wide at least.
            auto* grid = qobject_cast<QGridLayout*>(box->layout());
            if (grid && !box->property("titleFitted").toBool()) {
                box->setProperty("titleFitted", true);
                grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                              0, 1, grid->columnCount());
            }
        } else if (dialog->minimumWidth() == dialog->maximumWidth()) {
            if (dialog->width() < need) dialog->setFixedWidth(need);
        } else {
            if (dialog->minimumWidth() < need) dialog->setMinimumWidth(need);
        }
        return false;
    }
};

}  // namespace

void installTitleFitter() {
    const QString name = QStringLiteral("vurkTitleFitter");
    if (!qApp || qApp->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* fitter = new TitleFitter;
    fitter->setObjectName(name);
    fitter->setParent(qApp);
    qApp->installEventFilter(fitter);
}

QLineEdit* makeNumberField(QWidget* parent, const char* id, int maxChars, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(id);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
    if (maxChars > 0) field->setMaxLength(maxChars);
    return field;
}

}  // namespace vurk
