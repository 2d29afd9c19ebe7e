// Page setup values, units and defaults.
#include "print/uniPgSetup.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

std::optional<TPageSetupDefaults>& InstalledDefaults() {
    static std::optional<TPageSetupDefaults> installed;
    return installed;
}

std::int32_t Scaled(std::int32_t value, double factor) {
    return static_cast<std::int32_t>(std::lround(static_cast<double>(value) * factor));
}

TPSPoint ToMillimeters(const TPSPoint& p) {
    return {MillimetersFromInches(p.X), MillimetersFromInches(p.Y)};
}

TPSRect ToMillimeters(const TPSRect& r) {
    return {MillimetersFromInches(r.Left), MillimetersFromInches(r.Top),
            MillimetersFromInches(r.Right), MillimetersFromInches(r.Bottom)};
}

TPSPoint ToInches(const TPSPoint& p) {
    return {InchesFromMillimeters(p.X), InchesFromMillimeters(p.Y)};
}

TPSRect ToInches(const TPSRect& r) {
    return {InchesFromMillimeters(r.Left), InchesFromMillimeters(r.Top),
            InchesFromMillimeters(r.Right), InchesFromMillimeters(r.Bottom)};
}

TPSMeasurements Resolve(TPSMeasurements m, TPSMeasurements localeUnit) {
    if (m != TPSMeasurements::pmDefault) {
        return m;
    }
    return localeUnit == TPSMeasurements::pmInches ? TPSMeasurements::pmInches
                                                   : TPSMeasurements::pmMillimeters;
}

} // namespace

TPageSetupDefaults NoPrinterPageDefaults() {
    return {{8500, 11000}, {250, 250, 250, 250}, {250, 250, 250, 250}};
}

const TPageSetupDefaults& PageSetupDefaults() {
    static const TPageSetupDefaults none = NoPrinterPageDefaults();
    const auto& installed = InstalledDefaults();
    return installed ? *installed : none;
}

void InstallPageSetupDefaults(const std::optional<TPageSetupDefaults>& printer) {
    InstalledDefaults() = printer;
}

std::int32_t InchesFromMillimeters(std::int32_t hundredthsOfMm) {
    return Scaled(hundredthsOfMm, 1.0 / 2.54);
}

std::int32_t MillimetersFromInches(std::int32_t thousandthsOfInch) {
    return Scaled(thousandthsOfInch, 2.54);
}

TPSMeasurements MeasurementsOfLocale(std::string_view name) {
    // language[_territory][.codeset][@modifier]
    const size_t underscore = name.find('_');
    if (underscore == std::string_view::npos) {
        return TPSMeasurements::pmMillimeters;
    }
    std::string_view territory = name.substr(underscore + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    for (const std::string_view inches : {"US", "LR", "MM"}) {
        if (territory == inches) {
            return TPSMeasurements::pmInches;
        }
    }
    return TPSMeasurements::pmMillimeters;
}

TPSMeasurements LocaleMeasurements() {
    for (const char* variable : {"LC_ALL", "LC_MEASUREMENT", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return MeasurementsOfLocale(value);
        }
    }
    return TPSMeasurements::pmMillimeters;
}

TuniPageSetup::TuniPageSetup(TPSMeasurements measurements, TPSMeasurements localeUnit)
    : measurements_(measurements), localeUnit_(localeUnit) {
    const TPageSetupDefaults& d = PageSetupDefaults();
    if (EffectiveUnit() == TPSMeasurements::pmMillimeters) {
        paper_ = ToMillimeters(d.paper);
        minimumMargins_ = ToMillimeters(d.minimumMargins);
        margins_ = ToMillimeters(d.margins);
    } else {
        paper_ = d.paper;
        minimumMargins_ = d.minimumMargins;
        margins_ = d.margins;
    }
}

TPSMeasurements TuniPageSetup::EffectiveUnit() const {
    return Resolve(measurements_, localeUnit_);
}

void TuniPageSetup::SetMeasurements(TPSMeasurements measurements) {
    const TPSMeasurements before = EffectiveUnit();
    measurements_ = measurements;
    const TPSMeasurements after = EffectiveUnit();
    if (before == after) {
        return;
    }
    if (after == TPSMeasurements::pmInches) {
        paper_ = ToInches(paper_);
        minimumMargins_ = ToInches(minimumMargins_);
        margins_ = ToInches(margins_);
    } else {
        paper_ = ToMillimeters(paper_);
        minimumMargins_ = ToMillimeters(minimumMargins_);
        margins_ = ToMillimeters(margins_);
    }
}

TPSRect TuniPageSetup::MarginsInInches() const {
    return EffectiveUnit() == TPSMeasurements::pmMillimeters ? ToInches(margins_) : margins_;
}

TPSRect TuniPageSetup::DialogMargins() const {
    if ((options_ & poDefaultMinMargins) == 0) {
        return margins_;
    }
    return {std::max(margins_.Left, minimumMargins_.Left),
            std::max(margins_.Top, minimumMargins_.Top),
            std::max(margins_.Right, minimumMargins_.Right),
            std::max(margins_.Bottom, minimumMargins_.Bottom)};
}
