#include "display/RefreshRateFormatter.h"

#include <cmath>

namespace corvane::RefreshRateFormatter {

QString text(std::optional<double> rate) {
    // `!(x > 0)` rather than `x <= 0` so that NaN also reads as automatic.
    if (!rate || !(*rate > 0)) {
        return QStringLiteral("자동");
    }
    const double whole = std::round(*rate);  // halves away from zero
    if (std::fabs(whole - *rate) < 0.05) {
        return QString::number(whole, 'f', 0) + QStringLiteral("Hz");
    }
    return QString::asprintf("%.2fHz", *rate);
}

}  // namespace corvane::RefreshRateFormatter
