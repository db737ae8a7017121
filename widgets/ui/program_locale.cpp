#include "widgets/ui/program_locale.h"

namespace tv {

QLocale ProgramLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return QLocale(QLocale::German, QLocale::Germany);
    return system;
}

QString ShortDateText(const QDate& date) {
    const QLocale locale = ProgramLocale();
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(date, format);
}

}  // namespace tv
