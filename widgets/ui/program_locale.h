#pragma once

#include <QLocale>

namespace tv {

// The locale for numbers and dates: the user's, or German where the system names
// none (the "C" locale), since the program speaks German.
QLocale ProgramLocale();

}  // namespace tv
