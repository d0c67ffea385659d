#pragma once

#include "core/records/record.h"

class QDialog;
class QWidget;

namespace tessaly {

// Opens a window listing every field of `record` under the names the exports
// use, the stored response headers in full beneath. It closes itself and
// goes with `parent`.
QDialog* ShowRecordProperties(QWidget* parent, const Record& record);

}  // namespace tessaly
