#include "shell/ui/slide_show_options.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace vr::shell::ui {
namespace {

QGroupBox* RadioGroup(const char* name, const char* title, const char* const (&captions)[3],
                      QButtonGroup** group, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  auto* column = new QVBoxLayout(box);
  *group = new QButtonGroup(box);
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(captions[i], box);
    (*group)->addButton(radio, i);
    column->addWidget(radio);
  }
  return box;
}

void Check(QButtonGroup* group, int index) {
  if (QAbstractButton* b = group->button(index)) b->setChecked(true);
}

}  // namespace

TSlideShowMenu::TSlideShowMenu(QWidget* parent) : QDialog(parent) {
  setObjectName("TSlideShowMenu");
  setWindowTitle(kSlideOptionsTitle);
  setModal(true);
  auto* column = new QVBoxLayout(this);

  auto* delay_row = new QHBoxLayout();
  delay_row->addWidget(new QLabel("Delay Time:", this));
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(0, 999);
  delay_row->addWidget(SpinEdit1);
  delay_row->addStretch(1);
  column->addLayout(delay_row);

  CheckBox1 = new QCheckBox("Full Screen:", this);
  CheckBox1->setObjectName("CheckBox1");
  column->addWidget(CheckBox1);
  static const char* const kFullScreenKinds[3] = {"Actual Size", "Fit To Screen",
                                                  "Shrink IF Needed"};
  RadioGroup1 = RadioGroup("RadioGroup1", "Full Screen Options", kFullScreenKinds,
                           &full_screen_group_, this);
  column->addWidget(RadioGroup1);
  // The kinds of full screen matter only while full screen is chosen.
  connect(CheckBox1, &QCheckBox::toggled, RadioGroup1, &QWidget::setEnabled);

  CheckBox2 = new QCheckBox("Continuous Looping (Never Ending)", this);
  CheckBox2->setObjectName("CheckBox2");
  column->addWidget(CheckBox2);
  auto* times_row = new QHBoxLayout();
  times_row->addWidget(new QLabel("Loop How Many Times?", this));
  SETimes = new QSpinBox(this);
  SETimes->setObjectName("SETimes");
  SETimes->setRange(1, 100);
  times_row->addWidget(SETimes);
  times_row->addStretch(1);
  column->addLayout(times_row);

  static const char* const kStarts[3] = {"Start From Current Picture", "Start At Begining Of List",
                                         "Use Tagged Files ONLY"};
  RadioGroup2 = RadioGroup("RadioGroup2", "Where To Start From", kStarts, &start_group_, this);
  column->addWidget(RadioGroup2);

  CBRandom = new QCheckBox("Random Slide Show Order", this);
  CBRandom->setObjectName("CBRandom");
  column->addWidget(CBRandom);
  CBWavWait = new QCheckBox("Play FULL WAV before going to next picture?", this);
  CBWavWait->setObjectName("CBWavWait");
  column->addWidget(CBWavWait);

  ok_button = new QPushButton("Ok", this);
  ok_button->setObjectName("BOk");
  ok_button->setDefault(true);
  connect(ok_button, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(ok_button, 0, Qt::AlignRight);
  Load(Settings{});
}

QRadioButton* TSlideShowMenu::full_screen_choice(int index) const {
  return qobject_cast<QRadioButton*>(full_screen_group_->button(index));
}

QRadioButton* TSlideShowMenu::start_choice(int index) const {
  return qobject_cast<QRadioButton*>(start_group_->button(index));
}

void TSlideShowMenu::Load(const Settings& s) {
  SpinEdit1->setValue(std::clamp(s.slide_delay, 0, 999));
  CheckBox1->setChecked(s.slide_full_screen);
  RadioGroup1->setEnabled(s.slide_full_screen);
  Check(full_screen_group_, std::clamp(s.slide_full_screen_type, 0, 2));
  CheckBox2->setChecked(s.slide_continuous);
  SETimes->setValue(std::clamp(s.slide_loop_times, 1, 100));
  Check(start_group_, std::clamp(s.slide_start_at_top, 0, 2));
  CBRandom->setChecked(s.slide_random);
  CBWavWait->setChecked(s.slide_wav_wait);
}

void TSlideShowMenu::Store(Settings& s) const {
  s.slide_delay = SpinEdit1->value();
  s.slide_full_screen = CheckBox1->isChecked();
  s.slide_full_screen_type = std::max(0, full_screen_group_->checkedId());
  s.slide_continuous = CheckBox2->isChecked();
  s.slide_loop_times = SETimes->value();
  s.slide_start_at_top = std::max(0, start_group_->checkedId());
  s.slide_random = CBRandom->isChecked();
  s.slide_wav_wait = CBWavWait->isChecked();
}

SlideShowOptions SlideOptionsOf(const Settings& s) {
  SlideShowOptions o;
  o.delay_seconds = std::clamp(s.slide_delay, 0, 999);
  o.continuous = s.slide_continuous;
  o.loop_times = std::clamp(s.slide_loop_times, 1, 100);
  o.start = static_cast<SlideStart>(std::clamp(s.slide_start_at_top, 0, 2));
  o.random = s.slide_random;
  o.wav_wait = s.slide_wav_wait;
  return o;
}

}  // namespace vr::shell::ui
