// Page setup values: paper size and margins in hundredths of a millimetre or thousandths of
// an inch, the unit following the user's locale unless chosen, and the process-wide defaults
// that a new page setup starts from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The unit of a page setup's values. Default follows the locale: millimetres unless the
// locale measures in inches.
enum class TPSMeasurements { pmDefault, pmMillimeters, pmInches };

// A paper size.
struct TPSPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TPSPoint&, const TPSPoint&) = default;
};

// Distances from the paper's edges.
struct TPSRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const TPSRect&, const TPSRect&) = default;
};

// What the platform's page setup dialog is told; a set of bits.
enum TPageSetupOption : std::uint8_t {
    poDefaultMinMargins = 1 << 0, // margins below the minimum margins are raised to them
    poDisableMargins = 1 << 1,
    poDisableOrientation = 1 << 2,
    poDisablePagePainting = 1 << 3,
    poDisablePaper = 1 << 4,
    poDisablePrinter = 1 << 5,
    poNoWarning = 1 << 6,
    poShowHelp = 1 << 7,
};
using TPageSetupOptions = std::uint8_t;

// Paper and margins in thousandths of an inch.
struct TPageSetupDefaults {
    TPSPoint paper;
    TPSRect minimumMargins;
    TPSRect margins;
    friend bool operator==(const TPageSetupDefaults&, const TPageSetupDefaults&) = default;
};

// Letter paper and a quarter inch on every side: the defaults while no printer is known.
TPageSetupDefaults NoPrinterPageDefaults();
// The process-wide defaults: the default printer's, as the toolkit layer installs them at
// start-up, else NoPrinterPageDefaults().
const TPageSetupDefaults& PageSetupDefaults();
// Installs the default printer's values (none: no printer). Later page setups start from them.
void InstallPageSetupDefaults(const std::optional<TPageSetupDefaults>& printer);

// The locale's unit: inches when the territory of the locale named by LC_ALL, else
// LC_MEASUREMENT, else LANG is one that measures in inches (US, Liberia, Myanmar),
// millimetres otherwise.
TPSMeasurements LocaleMeasurements();
// The same for one locale name ("en_US.UTF-8", "de_DE@euro", "C").
TPSMeasurements MeasurementsOfLocale(std::string_view localeName);

// Millimetre hundredths to inch thousandths and back, rounded to whole units.
std::int32_t InchesFromMillimeters(std::int32_t hundredthsOfMm);
std::int32_t MillimetersFromInches(std::int32_t thousandthsOfInch);

// A page setup's values. `localeUnit` is what pmDefault stands for.
class TuniPageSetup {
public:
    explicit TuniPageSetup(TPSMeasurements measurements = TPSMeasurements::pmDefault,
                           TPSMeasurements localeUnit = LocaleMeasurements());

    TPSMeasurements Measurements() const { return measurements_; }
    // Converts the current values when the effective unit changes.
    void SetMeasurements(TPSMeasurements measurements);
    // Millimetres or inches, never pmDefault.
    TPSMeasurements EffectiveUnit() const;

    const TPSPoint& PaperSize() const { return paper_; }
    void SetPaperSize(const TPSPoint& paper) { paper_ = paper; }
    const TPSRect& MinimumMargins() const { return minimumMargins_; }
    void SetMinimumMargins(const TPSRect& margins) { minimumMargins_ = margins; }
    const TPSRect& Margins() const { return margins_; }
    void SetMargins(const TPSRect& margins) { margins_ = margins; }
    bool Centered() const { return centered_; }
    void SetCentered(bool on) { centered_ = on; }
    TPageSetupOptions Options() const { return options_; }
    void SetOptions(TPageSetupOptions options) { options_ = options; }
    static std::string Version() { return "TuniPageSetupDialog v2.14"; }

    // The margins in thousandths of an inch, whatever the unit.
    TPSRect MarginsInInches() const;
    // The margins the platform dialog is filled with: raised to the minimum margins where
    // below them when poDefaultMinMargins is set.
    TPSRect DialogMargins() const;

private:
    TPSMeasurements measurements_;
    TPSMeasurements localeUnit_;
    TPSPoint paper_;
    TPSRect minimumMargins_;
    TPSRect margins_;
    bool centered_ = true;
    TPageSetupOptions options_ = 0;
};
