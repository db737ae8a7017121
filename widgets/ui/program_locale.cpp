#include "widgets/ui/program_locale.h"

namespace tv {

QLocale ProgramLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return QLocale(QLocale::German, QLocale::Germany);
    return system;
}

}  // namespace tv
