#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace tv {

// The locale for numbers and dates: the user's, or German where the system names
// none (the "C" locale), since the program speaks German.
QLocale ProgramLocale();

// A date in the program locale's short format, the year always with four digits
// (German: "24.12.2005").
QString ShortDateText(const QDate& date);

}  // namespace tv
