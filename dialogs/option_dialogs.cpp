#include "dialogs/option_dialogs.h"

#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/controls.h"
#include "view/map_draw.h"

namespace vurk {

uint32_t optionFlags(const std::array<bool, 4>& ticked) {
    uint32_t flags = 0;
    for (size_t bit = 0; bit < ticked.size(); ++bit) flags |= (ticked[bit] ? 1u : 0u) << bit;
    return flags;
}

OptionsDialog::OptionsDialog(QWidget* parent, uint32_t flags) : QDialog(parent) {
    setWindowTitle("Options");
    list_ = new QListWidget(this);
    list_->setObjectName("1002");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (size_t bit = 0; bit < kOptionNames.size(); ++bit) {
        auto* item = new QListWidgetItem(kOptionNames[bit], list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState((flags >> bit) & 1u ? Qt::Checked : Qt::Unchecked);
    }
    const auto [ok, cancel] = makeOkCancel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(300, 160);
}

uint32_t OptionsDialog::flags() const {
    std::array<bool, 4> ticked{};
    for (size_t bit = 0; bit < ticked.size(); ++bit) {
        ticked[bit] = list_->item(static_cast<int>(bit))->checkState() == Qt::Checked;
    }
    return optionFlags(ticked);
}

UpDown::UpDown(QWidget* parent, int minimum, int maximum, int position)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), position_(position) {
    setObjectName("1016");
    setFocusPolicy(Qt::StrongFocus);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::LeftArrow);
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::RightArrow);
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(down);
    layout->addWidget(up);
}

void UpDown::step(int delta) {
    const int next = std::max(minimum_, std::min(maximum_, position_ + delta));
    if (next == position_) return;
    position_ = next;
    if (onChange) onChange(position_);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down) step(-1);
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up) step(1);
    else QWidget::keyPressEvent(event);
}

ClipboardViewer::ClipboardViewer(QWidget* parent, EditorState& s) : QDialog(parent), s_(s) {
    setWindowTitle("Clipboard Viewer");
    upDown_ = new UpDown(this, 0, 9, static_cast<int>(s.clipboard.index % 10));
    upDown_->onChange = [this](int position) {
        s_.clipboard.index = static_cast<uint32_t>(position);
        update();
    };
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(72);
    layout->addWidget(upDown_, 0, Qt::AlignHCenter);
    setFixedSize(140, 110);
    upDown_->setFocus();
}

void ClipboardViewer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    const uint32_t index = s_.clipboard.index % 10;
    const uint8_t v = s_.clipboard.tiles[index];
    const int x = (width() - 64) / 2;
    // The tile as the map view draws it.
    if (std::unique_ptr<Bitmap> tile = Bitmap::create(kCellSize, kCellSize, 32)) {
        MapPainter painter(*tile, 0, 0, {0, 0, kCellSize, kCellSize});
        drawCell(painter, s_.TileSheet.bitmap(), v, 0, 0);
        p.drawImage(QPoint(x, 0), QImage(tile->bits(), kCellSize, kCellSize, static_cast<qsizetype>(tile->pitch()),
                                         QImage::Format_RGB32));
    }
    p.setPen(Qt::black);
    p.drawText(QRect(x - 20, 0, 16, 16), Qt::AlignLeft | Qt::AlignTop, QString::number(index));
}

void ClipboardViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) QDialog::keyPressEvent(event);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About VURK-Edit");
    auto* layout = new QVBoxLayout(this);
    for (const char* line : {"VURK-Edit, a level editor", "written by the VURK-Edit team",
                             "with its own PNG decoder, on Qt"}) {
        auto* label = new QLabel(line, this);
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1019");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void runOptions(EditorState& s, QWidget* parent) {
    OptionsDialog d(parent, s.options);
    if (execModal(d) == QDialog::Accepted) s.options = d.flags();
}

void runClipboardViewer(EditorState& s, QWidget* parent) {
    ClipboardViewer d(parent, s);
    execModal(d);
}

void runAbout(QWidget* parent) {
    AboutDialog d(parent);
    execModal(d);
}

}  // namespace vurk
