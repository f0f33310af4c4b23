#include "gui/views/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sorvi {

CSorviFindDialog::CSorviFindDialog(QWidget* parent, bool replacing) : QDialog(parent) {
  setWindowTitle(replacing ? tr("Replace") : tr("Find"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  text_ = new QLineEdit(this);
  match_case_ = new QCheckBox(tr("Match &case"), this);
  auto* find = new QPushButton(tr("&Find Next"), this);
  find->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(tr("Fi&nd what:"), this), 0, 0);
  fields->addWidget(text_, 0, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find);
  auto* options = new QHBoxLayout;
  if (replacing) {
    replace_ = new QLineEdit(this);
    whole_word_ = new QCheckBox(tr("Match &whole word only"), this);
    fields->addWidget(new QLabel(tr("Re&place with:"), this), 1, 0);
    fields->addWidget(replace_, 1, 1);
    auto* replace = new QPushButton(tr("&Replace"), this);
    auto* replace_all = new QPushButton(tr("Replace &All"), this);
    buttons->addWidget(replace);
    buttons->addWidget(replace_all);
    auto* checks = new QVBoxLayout;
    checks->addWidget(whole_word_);
    checks->addWidget(match_case_);
    options->addLayout(checks);
    connect(replace, &QPushButton::clicked, this, &CSorviFindDialog::replace_next);
    connect(replace_all, &QPushButton::clicked, this, &CSorviFindDialog::replace_all);
  } else {
    auto* direction = new QGroupBox(tr("Direction"), this);
    up_ = new QRadioButton(tr("&Up"), direction);
    down_ = new QRadioButton(tr("&Down"), direction);
    down_->setChecked(true);
    auto* direction_layout = new QHBoxLayout(direction);
    direction_layout->addWidget(up_);
    direction_layout->addWidget(down_);
    options->addWidget(match_case_);
    options->addWidget(direction);
  }
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(find, &QPushButton::clicked, this, &CSorviFindDialog::find_next);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void CSorviFindDialog::find_next() {
  if (replacing()) {
    request_replace(ReplaceStep::FindNext);
  } else if (!text_->text().isEmpty()) {
    emit find_requested(text_->text(), !up_->isChecked(), match_case_->isChecked());
  }
}

void CSorviFindDialog::request_replace(ReplaceStep step) {
  if (!replacing() || text_->text().isEmpty()) return;
  emit replace_requested(text_->text(), replace_->text(), match_case_->isChecked(), whole_word_->isChecked(), step);
}

}  // namespace sorvi
