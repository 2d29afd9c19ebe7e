// Charset detection on a corpus of sentences in ten languages, each encoded in every
// charset that holds it, at three sizes: the chosen charset must read the bytes as the
// true one does. Also: declarations beat letters, ASCII keeps the default, and the
// detection of a large file reads the same bounded prefix whatever the file's size.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "base/uniCodePage.h"
#include "base/uniIni.h"
#include "detect/uniDetect.h"
#include "profile/uniProfile.h"
#include "search/uniSearch.h"
#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Language {
    const char* name;
    std::vector<const char*> charsets; // iconv names of the charsets the language is written in
    std::vector<const char*> sentences;
};

const std::vector<Language>& Corpus() {
    static const std::vector<Language> corpus = {
        {"Russian",
         {"UTF-8", "CP1251", "KOI8-R", "KOI8-U", "CP866", "ISO-8859-5", "MACCYRILLIC"},
         {"Вечером мы долго сидели на кухне и говорили о старых друзьях.",
          "Поезд опоздал на сорок минут, потому что ночью выпал снег.",
          "Бабушка испекла пирог с капустой и позвала всех соседей.",
          "Мальчик нашёл в лесу ёжика и принёс его домой в шапке.",
          "Эту книгу я прочитал ещё в школе, но теперь понимаю её иначе.",
          "Завтра обещают дождь, так что возьми с собой зонтик.",
          "Художник рисовал реку, мост и маленькую церковь на холме.",
          "Мы решили поехать к морю в августе, когда вода теплее."}},
        {"Ukrainian",
         {"UTF-8", "CP1251", "KOI8-U", "ISO-8859-5", "MACCYRILLIC"},
         {"Ми їхали до бабусі в село через широкі зелені поля.",
          "Увечері на подвір'ї співали пісні та пекли картоплю.",
          "Цей хлопець завжди допомагає сусідам лагодити паркан.",
          "Я ще не бачив такого гарного світанку над рікою.",
          "Вчителька попросила дітей написати твір про свою родину.",
          "Восени в нашому саду достигають яблука і груші.",
          "Ґанок старої хати був вкритий жовтим листям.",
          "Його сестра працює лікаркою в міській лікарні."}},
        {"Bulgarian",
         {"UTF-8", "CP1251", "KOI8-R", "KOI8-U", "CP866", "ISO-8859-5", "MACCYRILLIC"},
         {"Тази сутрин видях една сърна край пътя за селото.",
          "Децата играеха в парка до късно вечерта.",
          "Баща ми обича да чете вестник, докато пие кафе.",
          "Планината беше покрита с дебел сняг през цялата зима.",
          "Утре ще отидем на пазара да купим плодове и зеленчуци.",
          "Моят приятел живее в малка къща близо до морето.",
          "Учителят разказа интересна история за старите царе.",
          "Вчера валя силен дъжд и улиците бяха пълни с вода."}},
        {"Czech",
         {"UTF-8", "CP1250", "ISO-8859-2"},
         {"Včera jsme šli s dědečkem na houby do lesa za vesnicí.",
          "Kočka spí celý den na okně a v noci honí myši.",
          "Na náměstí stojí starý kostel s vysokou věží.",
          "Můj bratr se učí hrát na housle už třetí rok.",
          "Po obědě jsme si dali kávu a čerstvý koláč.",
          "Řeka se v létě ohřeje a děti se v ní koupou.",
          "Tento týden musím dokončit důležitou práci pro školu.",
          "Žluté květiny na louce voní po celé zahradě."}},
        {"Polish",
         {"UTF-8", "CP1250", "ISO-8859-2"},
         {"Wczoraj wieczorem oglądaliśmy z dziećmi stary film.",
          "Moja siostra mieszka w małym domu niedaleko jeziora.",
          "Proszę zamknąć okno, bo robi się zimno.",
          "Na śniadanie zjadłem jajecznicę i świeży chleb.",
          "Pociąg do Krakowa odjeżdża za piętnaście minut.",
          "Żółty liść spadł cicho na mokrą ławkę w parku.",
          "Dziadek opowiadał nam historie o swojej młodości.",
          "W niedzielę pojedziemy rowerami nad rzekę."}},
        {"Hungarian",
         {"UTF-8", "CP1250", "ISO-8859-2"},
         {"Tegnap este a barátaimmal egy kis étteremben vacsoráztunk.",
          "A nagymamám kertjében sok szép virág nyílik tavasszal.",
          "Holnap korán reggel indulunk a Balatonhoz.",
          "A gyerekek örömmel futottak ki az udvarra.",
          "Ez a könyv egy öreg halászról és a tengerről szól.",
          "Kérem, segítsen nekem megtalálni az állomást.",
          "Őszintén szólva nem hittem, hogy ilyen gyorsan kész leszünk.",
          "A hűtőben van még egy kevés túró és tejföl."}},
        {"Greek",
         {"UTF-8", "CP1253", "ISO-8859-7"},
         {"Χθες το βράδυ πήγαμε στη θάλασσα με τους φίλους μας.",
          "Η γιαγιά μου φτιάχνει την καλύτερη σπανακόπιτα του χωριού.",
          "Το τρένο για τη Θεσσαλονίκη φεύγει σε δέκα λεπτά.",
          "Τα παιδιά παίζουν μπάλα στην αυλή του σχολείου.",
          "Άνοιξε το παράθυρο γιατί κάνει πολλή ζέστη.",
          "Ο δάσκαλος μας διάβασε ένα παλιό παραμύθι.",
          "Αύριο θα ανεβούμε στο βουνό αν δεν βρέξει.",
          "Έχω ένα μικρό σκύλο που λατρεύει τα κόκαλα."}},
        {"German",
         {"UTF-8", "CP1252", "ISO-8859-15", "CP1250", "ISO-8859-2"},
         {"Gestern haben wir im Garten einen großen Igel gefunden.",
          "Meine Schwester übt jeden Abend Klavier für das Konzert.",
          "Der Zug nach München hatte heute früh eine Stunde Verspätung.",
          "Im Winter trinken wir gern heißen Tee mit Honig.",
          "Über die Brücke gehen jeden Morgen viele Schüler.",
          "Die Bäckerei an der Ecke verkauft köstliche Brötchen.",
          "Wir müssen die Küche noch gründlich aufräumen.",
          "Ärger mit den Nachbarn wollen wir lieber vermeiden."}},
        {"French",
         {"UTF-8", "CP1252", "ISO-8859-15"},
         {"Hier soir, nous avons dîné chez mes grands-parents à la campagne.",
          "Le garçon a oublié son cahier sur la table de la cuisine.",
          "Il faut arroser les fleurs tous les jours pendant l'été.",
          "Ma sœur préfère le thé au café le matin.",
          "Nous irons à la plage dès que la pluie s'arrêtera.",
          "Ce musée présente des tableaux très célèbres du siècle dernier.",
          "Le boulanger ouvre sa boutique très tôt, avant l'aube.",
          "Où as-tu mis les clés de la voiture?"}},
        {"Spanish",
         {"UTF-8", "CP1252", "ISO-8859-15"},
         {"Ayer por la tarde fuimos al mercado con mi abuela.",
          "El niño pequeño aprendió a nadar este verano.",
          "¿Sabes dónde está la estación de autobuses?",
          "Mañana tenemos una reunión muy importante en la oficina.",
          "La película que vimos anoche fue bastante aburrida.",
          "Mi vecino cultiva tomates y pimientos en su jardín.",
          "Después de la lección, los alumnos salieron corriendo.",
          "Nunca olvidaré aquel viaje por las montañas del norte."}},
    };
    return corpus;
}

// Our charset names by iconv name, and back.
const std::map<std::string, std::string>& OurNames() {
    static const std::map<std::string, std::string> names = {
        {"UTF-8", "UTF-8"},
        {"CP1252", "Windows"},
        {"ISO-8859-15", "ISO-8859-15"},
        {"CP1250", "Windows-1250"},
        {"ISO-8859-2", "ISO-8859-2"},
        {"CP1251", "Windows-1251"},
        {"KOI8-R", "KOI8-R"},
        {"KOI8-U", "KOI8-U"},
        {"CP866", "CP866"},
        {"ISO-8859-5", "ISO-8859-5"},
        {"MACCYRILLIC", "MacCyrillic"},
        {"CP1253", "Windows-1253"},
        {"ISO-8859-7", "ISO-8859-7"},
    };
    return names;
}

std::optional<std::string> IconvName(const std::string& ours) {
    for (const auto& [iconvName, name] : OurNames()) {
        if (SameText(name, ours)) {
            return iconvName;
        }
    }
    return std::nullopt;
}

// `text` converted between charsets; empty when the conversion fails anywhere.
std::optional<std::string> Convert(const std::string& text, const std::string& from,
                                   const std::string& to) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string in = text;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

enum class Size { Sentence, FiveLines, FiftyLines };

const char* SizeName(Size size) {
    return size == Size::Sentence ? "sentence" : size == Size::FiveLines ? "five" : "fifty";
}

struct Tally {
    int right = 0;
    int total = 0;
    double Share() const { return total == 0 ? 0 : static_cast<double>(right) / total; }
};

class DetectCorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAnsiCodePage(1252);
        lists = ReadCharsetLists(TIniFile(std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/pelmar.ini"));
        detector.Load(lists, PELMAR_SOURCE_DATA_DIR);
    }

    std::string Detect(const std::string& bytes, const std::string& fallback = "UTF-8") {
        WriteBytes(dir.file("sample.txt"), bytes);
        auto found = detector.DetectCharset(dir.file("sample.txt"), fallback, &search);
        return found ? *found : std::string("(none)");
    }

    TempDir dir;
    TCharsetLists lists;
    TCharsetDetector detector;
    TuniSearch search;
};

// Lines of a sample: one sentence, five or fifty, taken in turn from `first` on.
std::string SampleText(const Language& lang, size_t first, Size size) {
    const size_t count = size == Size::Sentence ? 1 : size == Size::FiveLines ? 5 : 50;
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += lang.sentences[(first + i) % lang.sentences.size()];
        text += "\n";
    }
    return text;
}

TEST_F(DetectCorpusTest, ChosenCharsetReadsTheCorpusAsTheTrueOne) {
    std::map<std::string, Tally> byLanguage;
    std::map<Size, Tally> bySize;
    std::map<std::string, Tally> byCharset;
    Tally overall;
    std::string misses;
    // The benchmark (bench/detect_bench.py) runs other detectors on the same files.
    const char* dumpDir = std::getenv("PELMAR_DETECT_CORPUS_DIR");
    for (const Language& lang : Corpus()) {
        for (const char* charset : lang.charsets) {
            for (const Size size : {Size::Sentence, Size::FiveLines, Size::FiftyLines}) {
                const size_t samples = size == Size::Sentence    ? lang.sentences.size()
                                       : size == Size::FiveLines ? 2
                                                                 : 1;
                for (size_t first = 0; first < samples; ++first) {
                    const std::string text = SampleText(lang, first * 5, size);
                    const auto bytes = Convert(text, "UTF-8", charset);
                    if (!bytes) {
                        continue; // this text needs a letter the charset lacks
                    }
                    if (dumpDir != nullptr) {
                        WriteBytes(std::string(dumpDir) + "/" + lang.name + "." + charset + "." +
                                       SizeName(size) + "." + std::to_string(first) + ".txt",
                                   *bytes);
                    }
                    const std::string chosen = Detect(*bytes);
                    const auto chosenIconv = IconvName(chosen);
                    const bool right =
                        chosenIconv && Convert(*bytes, *chosenIconv, "UTF-8") == text;
                    for (Tally* t :
                         {&byLanguage[lang.name], &bySize[size], &byCharset[charset], &overall}) {
                        t->total += 1;
                        t->right += right ? 1 : 0;
                    }
                    if (!right) {
                        misses += std::string(lang.name) + " " + charset + " as " + chosen + ": " +
                                  text.substr(0, text.find('\n')) + "\n";
                    }
                }
            }
        }
    }
    std::string report;
    for (const auto& [name, t] : byLanguage) {
        report += name + " " + std::to_string(t.right) + "/" + std::to_string(t.total) + "\n";
    }
    for (const auto& [name, t] : byCharset) {
        report += name + " " + std::to_string(t.right) + "/" + std::to_string(t.total) + "\n";
    }
    EXPECT_GE(overall.total, 400);
    EXPECT_GE(overall.Share(), 0.98) << report << misses;
    EXPECT_GE(bySize[Size::Sentence].Share(), 0.95) << report << misses;
    // Every charset of the corpus is detected on its own samples: one miss in a charset's
    // 33 samples is already too many.
    for (const auto& [name, t] : byCharset) {
        EXPECT_GE(t.Share(), 0.97) << name << "\n" << report << misses;
    }
}

TEST_F(DetectCorpusTest, RareLettersOfTheLanguageStillCount) {
    // "O\u00f9 ... cl\u00e9s" in the Western page reads "O\u016f ... cl\u00e9s" in
    // Windows-1250, all Czech letters, and the two score alike. "\u00f9" stands in few
    // French words but is French, so the Western reading has no strangers either and, as
    // the earlier entry, wins the tie.
    std::string french = *Convert("O\u00f9 as-tu mis les cl\u00e9s ?\n", "UTF-8", "CP1252");
    WriteBytes(dir.file("fr.txt"), french);
    EXPECT_EQ(detector.DetectCharset(dir.file("fr.txt"), "UTF-8", &search), "Windows");
    // ISO-8859-2's "\u017e" is Windows-1250's Slovak "\u013e", which some Czech word-list
    // entries hold but the Czech alphabet does not.
    std::string czech = *Convert("v\u011b\u017e\u00ed\n", "UTF-8", "ISO-8859-2");
    WriteBytes(dir.file("cs.txt"), czech);
    EXPECT_EQ(detector.DetectCharset(dir.file("cs.txt"), "UTF-8", &search), "ISO-8859-2");
}

TEST_F(DetectCorpusTest, DeclarationsBeatLetters) {
    // Polish text in Windows-1250, each time declared as another charset.
    const std::string polish =
        *Convert(SampleText(Corpus()[4], 0, Size::FiveLines), "UTF-8", "CP1250");
    EXPECT_EQ(Detect("<meta charset=\"iso-8859-2\">\n" + polish), "ISO-8859-2");
    EXPECT_EQ(Detect("<?xml version=\"1.0\" encoding=\"latin-9\"?>\n" + polish), "ISO-8859-15");
    EXPECT_EQ(Detect("# -*- coding: windows-1253 -*-\n" + polish), "Windows-1253");
    EXPECT_EQ(Detect("# vim: set fileencoding=x-mac-cyrillic :\n" + polish), "MacCyrillic");
    // Undeclared, the letters decide.
    EXPECT_EQ(Detect(polish), "Windows-1250");
    // The word "coding" in running text declares nothing.
    EXPECT_EQ(detector.FindDeclaredCharset("good coding style; coding windows-1250"), std::nullopt);
    EXPECT_EQ(detector.FindDeclaredCharset("/* coding=cp1250 */"), "Windows-1250");
    EXPECT_EQ(detector.FindDeclaredCharset("<meta charset=windows-1252>"), "Windows");
}

TEST_F(DetectCorpusTest, AsciiAndTiesKeepTheDefault) {
    EXPECT_EQ(Detect("Nothing here but ASCII letters, digits 0-9 and <tags>.\n", "ProfileDefault"),
              "ProfileDefault");
    // A German sentence reads the same in the Western and Central European pages: the
    // entries tie on the score and on the characters their rules do not know, and the
    // profile's default, being one of them, takes it.
    const std::string german = *Convert("Größe\n", "UTF-8", "CP1252");
    WriteBytes(dir.file("g.txt"), german);
    auto scored = detector.ScoreCharsets(dir.file("g.txt"), "ISO-8859-2", &search);
    ASSERT_TRUE(scored);
    EXPECT_EQ(scored->charset, "ISO-8859-2");
    scored = detector.ScoreCharsets(dir.file("g.txt"), "UTF-8", &search);
    ASSERT_TRUE(scored);
    EXPECT_EQ(scored->charset, "Windows"); // not the default: the first listed of the tie
}

TEST_F(DetectCorpusTest, TieGoesToTheReadingWithFewerStrangers) {
    // Two rules that both match the "a": the second's reading of byte E8 is a letter it
    // names, the first's is not.
    detector.Build({{"Windows", "a"}, {"Windows-1250", "a&#269;"}}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect("a\xE8\n", "UTF-8"), "Windows-1250"); // c with caron, not e with grave
    // With the alphabets of two languages, a reading that mixes them has strangers: the
    // bytes E8 B9 are "c with caron, s with caron" (Czech) in ISO-8859-2 and "c with caron,
    // a with ogonek" in Windows-1250, which fits neither Czech nor Polish.
    const std::vector<std::pair<std::string, std::string>> alphabets = {
        {"Windows-1250", "&#269;&#283;&#353; &#261;&#281;&#322;"},
        {"ISO-8859-2", "&#269;&#283;&#353; &#261;&#281;&#322;"}};
    detector.Build({{"Windows-1250", "a"}, {"ISO-8859-2", "a"}}, lists, PELMAR_SOURCE_DATA_DIR,
                   alphabets);
    EXPECT_EQ(Detect("a\xE8\xB9\n", "UTF-8"), "ISO-8859-2");
    EXPECT_EQ(Detect("a\xE8\n", "UTF-8"), "Windows-1250");    // the same reading: the first
    EXPECT_EQ(Detect("a\xE8\n", "ISO-8859-2"), "ISO-8859-2"); // or the default
    // Alone the first rule wins as the earlier entry.
    detector.Build({{"Windows", "a"}, {"Windows-1250", "a"}}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect("a\n", "UTF-8"), "Windows");
}

TEST_F(DetectCorpusTest, LargeFileReadsABoundedPrefix) {
    // The same Russian line repeated to 5 MB and to 50 MB: detection reads the same
    // number of bytes from both, no more than the forty sample lines.
    const std::string line =
        *Convert(SampleText(Corpus()[0], 0, Size::Sentence), "UTF-8", "KOI8-R");
    std::vector<size_t> read;
    for (const size_t megabytes : {5u, 50u}) {
        const std::string name = dir.file("big" + std::to_string(megabytes) + ".txt");
        std::FILE* f = std::fopen(name.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::string block;
        while (block.size() < (1u << 20)) {
            block += line;
        }
        for (size_t written = 0; written < megabytes << 20; written += block.size()) {
            ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
        }
        std::fclose(f);
        const size_t before = SampleBytesRead();
        EXPECT_EQ(detector.DetectCharset(name, "UTF-8", &search), "KOI8-R");
        read.push_back(SampleBytesRead() - before);
    }
    EXPECT_EQ(read[0], read[1]);
    EXPECT_GT(read[0], 0u);
    EXPECT_LE(read[0], 40u * (257u + 2u));
}

} // namespace
