#include "settings/btn_settings_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "settings/settings_model.h"

namespace {

QLabel* PlainLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

CBtnSettingsDlg::CBtnSettingsDlg(ButtonSettings& model, bool sessionOpen, QWidget* parent)
    : SettingsPage(parent), model_(model) {
    auto* hardware = new QRadioButton(QStringLiteral("Hardware Buttons"), this);
    auto* software = new QRadioButton(QStringLiteral("Software Buttons"), this);
    kinds_ = new QButtonGroup(this);
    kinds_->addButton(hardware, ButtonSettings::kHardware);
    kinds_->addButton(software, ButtonSettings::kSoftware);
    kinds_->button(model_.SelectedKind())->setChecked(true);
    connect(kinds_, &QButtonGroup::idClicked, this, &CBtnSettingsDlg::OnKindClicked);

    auto* group = new QGroupBox(this);
    holdLabel_ = PlainLabel(model_.HoldLabel(), group);
    holdLabel_->setObjectName(QStringLiteral("holdLabel"));
    slider_ = new QSlider(Qt::Horizontal, group);
    slider_->setObjectName(QStringLiteral("holdSlider"));
    slider_->setRange(ButtonSettings::kSliderMin, ButtonSettings::kSliderMax);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    slider_->setPageStep(1);
    ShowPosition();
    // While the thumb is dragged nothing is taken; the release takes it.
    connect(slider_, &QSlider::sliderReleased, this,
            [this] { model_.MoveEnded(slider_->value()); });
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        if (!slider_->isSliderDown())
            model_.MoveEnded(position);
    });
    auto* groupLayout = new QGridLayout(group);
    groupLayout->addWidget(holdLabel_, 0, 0, 1, 2);
    groupLayout->addWidget(PlainLabel("Buttons:", group), 1, 0, 1, 2);
    groupLayout->addWidget(slider_, 2, 0, 1, 2);
    groupLayout->addWidget(PlainLabel("Short", group), 3, 0, Qt::AlignLeft);
    groupLayout->addWidget(PlainLabel("Long", group), 3, 1, Qt::AlignRight);

    cursorOption_ = new QCheckBox(QStringLiteral("Change right neighboured\nParameter Values or "
                                                 "PAN\nValues with Cursor Left\nand Right"),
                                  this);
    cursorOption_->setObjectName(QStringLiteral("cursorOption"));
    cursorOption_->setChecked(model_.cursorOption != 0);
    cursorOption_->setEnabled(sessionOpen);
    connect(cursorOption_, &QCheckBox::toggled, this,
            [this](bool on) { model_.cursorOption = on ? 1 : 0; });

    // A place kept for teaching the buttons; it has no function.
    teach_ = new QPushButton(QStringLiteral("Teach"), this);
    teach_->setObjectName(QStringLiteral("teach"));
    teach_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hardware);
    layout->addWidget(software);
    layout->addWidget(group);
    layout->addWidget(cursorOption_);
    layout->addWidget(teach_);
    layout->addStretch(1);
}

QString CBtnSettingsDlg::Caption() const {
    return QStringLiteral("Buttons");
}

QString CBtnSettingsDlg::HelpText() const {
    return QStringLiteral(
        "The funtionality of a button\nmay change if you press one\nbutton for a short time or "
        "if\nyou hold it for a longer time interval.\n\nTo work more ergonomically you "
        "can\nchange the time interval for the event\nof holding a button with the slider.\n\n");
}

void CBtnSettingsDlg::OnKindClicked(int kind) {
    model_.SelectKind(kind);
    holdLabel_->setText(QString::fromLatin1(model_.HoldLabel()));
    ShowPosition();
}

// Showing a hold time is not a move of the slider: nothing is taken.
void CBtnSettingsDlg::ShowPosition() {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(model_.SliderPosition());
}
