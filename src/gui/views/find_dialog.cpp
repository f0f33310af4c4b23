#include "gui/views/find_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sorvi {

CSorviFindDialog::CSorviFindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Find"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  text_ = new QLineEdit(this);
  match_case_ = new QCheckBox(tr("Match &case"), this);
  auto* direction = new QGroupBox(tr("Direction"), this);
  up_ = new QRadioButton(tr("&Up"), direction);
  down_ = new QRadioButton(tr("&Down"), direction);
  down_->setChecked(true);
  auto* direction_layout = new QHBoxLayout(direction);
  direction_layout->addWidget(up_);
  direction_layout->addWidget(down_);
  auto* find = new QPushButton(tr("&Find Next"), this);
  find->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Fi&nd what:"), this));
  row->addWidget(text_, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(row);
  auto* options = new QHBoxLayout;
  options->addWidget(match_case_);
  options->addWidget(direction);
  left->addLayout(options);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(find, &QPushButton::clicked, this, &CSorviFindDialog::find_next);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void CSorviFindDialog::find_next() {
  if (text_->text().isEmpty()) return;
  emit find_requested(text_->text(), !up_->isChecked(), match_case_->isChecked());
}

}  // namespace sorvi
