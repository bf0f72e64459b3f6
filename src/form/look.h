#pragma once

class QApplication;

namespace varnel::form {

// The application's style and font: a small sans-serif of about 8 points (7.5, so that every
// caption fits its control whole), the size the window's
// fixed geometry was laid out for.
void applyLook(QApplication& application);

}  // namespace varnel::form
