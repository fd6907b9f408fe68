#include "dialogs/controls.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

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

QLineEdit* makeNumberField(QWidget* parent, const char* id, int maxChars, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(id);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
    if (maxChars > 0) field->setMaxLength(maxChars);
    return field;
}

}  // namespace vurk
