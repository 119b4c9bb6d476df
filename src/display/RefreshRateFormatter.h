#pragma once

#include <QString>
#include <optional>

namespace corvane {

namespace RefreshRateFormatter {

// "60Hz" for rates within 0.05 of a whole number, "59.94Hz" otherwise,
// "자동" when there is no positive rate.
QString text(std::optional<double> rate);

}  // namespace RefreshRateFormatter

}  // namespace corvane
