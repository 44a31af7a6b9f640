// Sets the process's DPI scale for one test and restores it after.
#ifndef TESTS_UI_CORE_DPI_GUARD_H_
#define TESTS_UI_CORE_DPI_GUARD_H_

#include "ui/render/dpi_scale.h"

class DpiGuard {
 public:
  explicit DpiGuard(int percent)
      : percent_(ui::DpiScale::Instance()->GetScale()),
        adapt_(ui::DpiScale::Instance()->IsAdaptDpi()) {
    ui::DpiScale::Instance()->SetScale(percent);
    ui::DpiScale::Instance()->SetAdaptDpi(true);
  }
  ~DpiGuard() {
    ui::DpiScale::Instance()->SetScale(percent_);
    ui::DpiScale::Instance()->SetAdaptDpi(adapt_);
  }

 private:
  int percent_;
  bool adapt_;
};

#endif  // TESTS_UI_CORE_DPI_GUARD_H_
