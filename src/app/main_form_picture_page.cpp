// SPDX-License-Identifier: GPL-3.0-or-later
// The picture page: folder browser, file-type filter, favourite folders,
// loading and preview.
#include "app/main_form.h"

namespace grimora {

void TMainForm::setUpPicturePage() {}

}  // namespace grimora
