// Page setup values: the units, their conversion, the locale's unit and the defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "print/uniPgSetup.h"

namespace {

// Sets an environment variable for the scope and puts the old value back.
class TEnvVar {
public:
    TEnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~TEnvVar() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    TEnvVar(const TEnvVar&) = delete;
    TEnvVar& operator=(const TEnvVar&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PageSetup, TheLocaleChoosesInchesOnlyWhereTheyAreTheMeasure) {
    EXPECT_EQ(MeasurementsOfLocale("en_US.UTF-8"), TPSMeasurements::pmInches);
    EXPECT_EQ(MeasurementsOfLocale("es_US"), TPSMeasurements::pmInches);
    EXPECT_EQ(MeasurementsOfLocale("my_MM.UTF-8"), TPSMeasurements::pmInches);
    EXPECT_EQ(MeasurementsOfLocale("en_GB.UTF-8"), TPSMeasurements::pmMillimeters);
    EXPECT_EQ(MeasurementsOfLocale("de_DE@euro"), TPSMeasurements::pmMillimeters);
    EXPECT_EQ(MeasurementsOfLocale("C.UTF-8"), TPSMeasurements::pmMillimeters);
    EXPECT_EQ(MeasurementsOfLocale("POSIX"), TPSMeasurements::pmMillimeters);
    EXPECT_EQ(MeasurementsOfLocale(""), TPSMeasurements::pmMillimeters);
    // A territory that only begins like one of them is not it.
    EXPECT_EQ(MeasurementsOfLocale("en_USX"), TPSMeasurements::pmMillimeters);

    // LC_ALL before LC_MEASUREMENT before LANG.
    TEnvVar all("LC_ALL", nullptr);
    TEnvVar measurement("LC_MEASUREMENT", "de_DE.UTF-8");
    TEnvVar lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(LocaleMeasurements(), TPSMeasurements::pmMillimeters);
    {
        TEnvVar over("LC_ALL", "en_US.UTF-8");
        EXPECT_EQ(LocaleMeasurements(), TPSMeasurements::pmInches);
    }
    TEnvVar none("LC_MEASUREMENT", nullptr);
    EXPECT_EQ(LocaleMeasurements(), TPSMeasurements::pmInches);
}

TEST(PageSetup, ANewSetupTakesTheDefaultsInItsUnit) {
    InstallPageSetupDefaults(std::nullopt);
    const TPageSetupDefaults none = NoPrinterPageDefaults();
    EXPECT_EQ(none.paper, (TPSPoint{8500, 11000}));
    EXPECT_EQ(none.margins, (TPSRect{250, 250, 250, 250}));

    TuniPageSetup inches(TPSMeasurements::pmInches);
    EXPECT_EQ(inches.PaperSize(), none.paper);
    EXPECT_EQ(inches.MinimumMargins(), none.minimumMargins);
    EXPECT_EQ(inches.Margins(), none.margins);
    // Millimetres: the inch values times 2.54, rounded.
    TuniPageSetup metric(TPSMeasurements::pmMillimeters);
    EXPECT_EQ(metric.PaperSize(), (TPSPoint{21590, 27940}));
    EXPECT_EQ(metric.Margins(), (TPSRect{635, 635, 635, 635}));
    // pmDefault is whatever the locale measures in.
    EXPECT_EQ(TuniPageSetup(TPSMeasurements::pmDefault, TPSMeasurements::pmInches).PaperSize(),
              none.paper);
    EXPECT_EQ(TuniPageSetup(TPSMeasurements::pmDefault, TPSMeasurements::pmMillimeters).PaperSize(),
              metric.PaperSize());
    EXPECT_TRUE(metric.Centered());
    EXPECT_EQ(TuniPageSetup::Version(), "TuniPageSetupDialog v2.14");

    // The default printer's values, once installed, are where new setups start.
    const TPageSetupDefaults printer{{8268, 11693}, {100, 120, 100, 130}, {500, 500, 500, 500}};
    InstallPageSetupDefaults(printer);
    EXPECT_EQ(TuniPageSetup(TPSMeasurements::pmInches).MinimumMargins(), printer.minimumMargins);
    EXPECT_EQ(TuniPageSetup(TPSMeasurements::pmMillimeters).PaperSize(), (TPSPoint{21001, 29700}));
    InstallPageSetupDefaults(std::nullopt);
    EXPECT_EQ(TuniPageSetup(TPSMeasurements::pmInches).PaperSize(), none.paper);
}

TEST(PageSetup, ChangingTheUnitConvertsTheValues) {
    TuniPageSetup setup(TPSMeasurements::pmMillimeters);
    setup.SetPaperSize({21000, 29700});
    setup.SetMargins({2000, 1000, 1500, 2500});
    setup.SetMinimumMargins({0, 0, 0, 0});
    // 20 mm is 787.4 thousandths of an inch: 787.
    EXPECT_EQ(setup.MarginsInInches(), (TPSRect{787, 394, 591, 984}));

    setup.SetMeasurements(TPSMeasurements::pmInches);
    EXPECT_EQ(setup.EffectiveUnit(), TPSMeasurements::pmInches);
    EXPECT_EQ(setup.PaperSize(), (TPSPoint{8268, 11693}));
    EXPECT_EQ(setup.Margins(), (TPSRect{787, 394, 591, 984}));
    EXPECT_EQ(setup.MarginsInInches(), setup.Margins());
    // And back: whole units lost to rounding stay lost.
    setup.SetMeasurements(TPSMeasurements::pmMillimeters);
    EXPECT_EQ(setup.PaperSize(), (TPSPoint{21001, 29700}));
    EXPECT_EQ(setup.Margins(), (TPSRect{1999, 1001, 1501, 2499}));

    // A change that keeps the effective unit converts nothing.
    TuniPageSetup local(TPSMeasurements::pmMillimeters, TPSMeasurements::pmMillimeters);
    local.SetMargins({2000, 2000, 2000, 2000});
    local.SetMeasurements(TPSMeasurements::pmDefault);
    EXPECT_EQ(local.Margins(), (TPSRect{2000, 2000, 2000, 2000}));
    local.SetMeasurements(TPSMeasurements::pmInches);
    EXPECT_EQ(local.Margins(), (TPSRect{787, 787, 787, 787}));
}

TEST(PageSetup, TheDialogRaisesMarginsToTheMinimumOnlyWhenAsked) {
    TuniPageSetup setup(TPSMeasurements::pmInches);
    setup.SetMinimumMargins({300, 300, 300, 300});
    setup.SetMargins({100, 400, 300, 0});
    EXPECT_EQ(setup.DialogMargins(), setup.Margins());
    setup.SetOptions(poDefaultMinMargins | poShowHelp);
    EXPECT_EQ(setup.DialogMargins(), (TPSRect{300, 400, 300, 300}));
    // The values themselves stay as they were.
    EXPECT_EQ(setup.Margins(), (TPSRect{100, 400, 300, 0}));
}

} // namespace
