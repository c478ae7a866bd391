#include "column_map.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace salvenor::batch {

namespace {

// What a word of a column's name says.
enum class Word {
    Count, // "Anzahl", "Anz."
    Persons, // persons of any category
    Adult,
    Severe, // severely disabled, the 80 % of the bylaw
    Disabled, // disabled, without saying how severely
    Student,
    Child,
    Foreign, // not of the family
    Not,
    Family,
    Twelve, // the children's age limit
    From, // "ab", "über", "+": from an age on
    Under, // "unter", "<": below an age
    ShortU, // "u." may be "und" or "unter"
    Percent, // "80", "%": the degree of a disability
    Filler, // "Jahre", "und", "(r)" of "Erwachsene(r)", "80%" ...
};

struct Vocable
{
    std::string_view word; // in lower case
    Word says;
    Word alsoSays = Word::Filler;
};

// The words of the categories' rows in the window and on the sheet, their singulars, plurals and
// short forms, and the other usual words for them. A name of other words too is no category's
// (see personColumnOf).
constexpr std::array kVocabulary{
    Vocable{"anzahl", Word::Count},
    Vocable{"anz", Word::Count},
    Vocable{"zahl", Word::Count},
    Vocable{"personen", Word::Persons},
    Vocable{"person", Word::Persons},
    Vocable{"pers", Word::Persons},
    Vocable{"pax", Word::Persons},
    Vocable{"gäste", Word::Persons},
    Vocable{"gaeste", Word::Persons},
    Vocable{"teilnehmer", Word::Persons},
    Vocable{"reisende", Word::Persons},
    Vocable{"mitreisende", Word::Persons},
    Vocable{"erwachsene", Word::Adult},
    Vocable{"erwachsener", Word::Adult},
    Vocable{"erwachsenen", Word::Adult},
    Vocable{"erw", Word::Adult},
    Vocable{"schwerbehinderte", Word::Severe},
    Vocable{"schwerbehinderter", Word::Severe},
    Vocable{"schwerbehinderten", Word::Severe},
    Vocable{"schwerbehindert", Word::Severe},
    Vocable{"schwerbeh", Word::Severe},
    Vocable{"schwerb", Word::Severe},
    Vocable{"schw", Word::Severe},
    Vocable{"schwer", Word::Severe},
    Vocable{"sb", Word::Severe},
    Vocable{"behinderte", Word::Disabled},
    Vocable{"behinderter", Word::Disabled},
    Vocable{"behindert", Word::Disabled},
    Vocable{"student", Word::Student},
    Vocable{"studenten", Word::Student},
    Vocable{"studentin", Word::Student},
    Vocable{"studentinnen", Word::Student},
    Vocable{"studierende", Word::Student},
    Vocable{"stud", Word::Student},
    Vocable{"schüler", Word::Student},
    Vocable{"schueler", Word::Student},
    Vocable{"schülerin", Word::Student},
    Vocable{"schülerinnen", Word::Student},
    Vocable{"azubi", Word::Student},
    Vocable{"azubis", Word::Student},
    Vocable{"auszubildende", Word::Student},
    Vocable{"auszubildender", Word::Student},
    Vocable{"lehrling", Word::Student},
    Vocable{"lehrlinge", Word::Student},
    Vocable{"kind", Word::Child},
    Vocable{"kinder", Word::Child},
    Vocable{"kids", Word::Child},
    Vocable{"jugendliche", Word::Child},
    Vocable{"jugendlicher", Word::Child},
    Vocable{"fremd", Word::Foreign},
    Vocable{"fremde", Word::Foreign},
    Vocable{"nicht", Word::Not},
    Vocable{"familienangehörige", Word::Family},
    Vocable{"familienangehöriger", Word::Family},
    Vocable{"familienangehörig", Word::Family},
    Vocable{"familienangeh", Word::Family},
    Vocable{"fam", Word::Family},
    Vocable{"ang", Word::Family},
    Vocable{"12", Word::Twelve},
    Vocable{"ü12", Word::From, Word::Twelve},
    Vocable{"u12", Word::Under, Word::Twelve},
    Vocable{"ab", Word::From},
    Vocable{"über", Word::From},
    Vocable{"ueber", Word::From},
    Vocable{"ü", Word::From},
    Vocable{"+", Word::From},
    Vocable{"älter", Word::From},
    Vocable{"unter", Word::Under},
    Vocable{"<", Word::Under},
    Vocable{"jünger", Word::Under},
    Vocable{"kleiner", Word::Under},
    Vocable{"u", Word::ShortU},
    Vocable{"bis", Word::Filler},
    Vocable{"einschließlich", Word::Filler},
    Vocable{"einschl", Word::Filler},
    Vocable{"jahre", Word::Filler},
    Vocable{"jahren", Word::Filler},
    Vocable{"j", Word::Filler},
    Vocable{"und", Word::Filler},
    Vocable{"26", Word::Filler},
    Vocable{"80", Word::Percent},
    Vocable{"%", Word::Percent},
    Vocable{"r", Word::Filler},
    Vocable{"er", Word::Filler},
    Vocable{"n", Word::Filler},
    Vocable{"in", Word::Filler},
    Vocable{"innen", Word::Filler},
};

// Parts of words that tell a count of persons in a name of other words too ("Personenzahl",
// "Gesamtpersonen", "zahlende Gäste", "Adults", "Fremdkinder"), and parts that tell money.
constexpr std::array<std::string_view, 18> kPersonsWithin{"person", "gäst", "gaest", "guest", "pax", "erwachsen",
    "adult", "student", "schüler", "schueler", "azubi", "kind", "child", "kid", "jugend", "teen", "senior", "belegung"};
// Not "summe" or "gesamt": a sum of persons is as likely as one of money.
constexpr std::array<std::string_view, 10> kMoneyWithin{
    "preis", "betrag", "kosten", "gebühr", "gebuehr", "tarif", "kurbeitrag", "kurtaxe", "eur", "€"};

// The children's categories pay from 12 years on; a child column without an age may be either.
constexpr std::string_view kUnderTwelve = "Kinder unter 12 Jahren, die keinen Kurbeitrag zahlen";

// A name's words in lower case: runs of letters and digits (the Latin letters of UTF-8 with
// them), and "%" on its own; everything else parts them.
std::vector<std::string> wordsOf(std::string_view name)
{
    const std::string lower = lowerCase(name);
    std::vector<std::string> words;
    std::string word;
    const auto endWord = [&] {
        if (!word.empty())
            words.push_back(std::exchange(word, {}));
    };
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char c = lower[i];
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (c == '\xC3' && i + 1 < lower.size()) {
            word.append(lower, i, 2);
            ++i;
        } else if ((static_cast<unsigned char>(c) & 0xC0U) == 0xC0U && lower.compare(i, 2, "\xC2\xA0") != 0) {
            // Any other character beyond ASCII ("€", "‰", "½", "’") is a word of its own: none of
            // the vocabulary's, so the name is read as no category's.
            endWord();
            std::size_t length = 1;
            while (i + length < lower.size() && (static_cast<unsigned char>(lower[i + length]) & 0xC0U) == 0x80U)
                ++length;
            words.push_back(lower.substr(i, length));
            i += length - 1;
        } else {
            endWord();
            if (c == '%' || c == '+' || c == '<')
                words.emplace_back(1, c);
        }
    }
    endWord();
    return words;
}

std::string allCategoryKeys()
{
    std::string keys;
    for (const CategoryRules &category : kCategories)
        keys.append(keys.empty() ? "" : ", ").append(category.key);
    return keys;
}

std::string keyWithSubject(PersonCategory category)
{
    const CategoryRules &rules = kCategories.at(indexOf(category));
    return std::string{rules.key} + " (" + std::string{rules.subject} + ")";
}

// A column name without case, blanks and punctuation: "Erw. Schwer" and "erw_schwer" alike.
std::string normalisedName(std::string_view name)
{
    std::string out;
    for (const char c : lowerCase(name)) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c & 0x80) != 0)
            out += c;
    }
    return out;
}

// The category whose own name, as its row in the category table gives it, the column bears: its
// subject, its caption in the window (both lines), its printed name or one of its further names,
// word for word without case ("Kind(er) ab 12 J." as "KINDER AB 12 J"). Words, not letters: a sign
// that tells ("<", "%") or one that parts numbers ("1-2") keeps a name from being another's.
const CategoryRules *categoryOwningName(std::string_view name)
{
    const std::vector<std::string> column = wordsOf(name);
    if (column.empty())
        return nullptr;
    for (const CategoryRules &category : kCategories) {
        const std::string caption = std::string{category.caption} + " " + std::string{category.captionSecondLine};
        const std::string_view own[] = {category.subject, caption, category.printedName};
        const auto isColumn = [&column](std::string_view ownName) { return wordsOf(ownName) == column; };
        if (std::any_of(std::begin(own), std::end(own), isColumn)
            || std::any_of(category.listNames.begin(), category.listNames.end(), isColumn))
            return &category;
    }
    return nullptr;
}

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0U : 1U)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// How many letters a misspelt key may have changed: short keys one, longer ones two.
std::size_t typoTolerance(std::string_view normalisedKey)
{
    constexpr std::size_t kShortKey = 4;
    return normalisedKey.size() <= kShortKey ? 1 : 2;
}

// The category key a column name probably means, where it is close to one without being it:
// "Kinde", "Erwachsne", "Kinderbett".
std::optional<std::string_view> nearCategoryKey(std::string_view name)
{
    const std::string column = normalisedName(name);
    if (column.empty())
        return std::nullopt;
    std::optional<std::string_view> best;
    std::size_t bestScore = 0;
    for (const CategoryRules &category : kCategories) {
        const std::string key = normalisedName(category.key);
        // An abbreviation is at least this long.
        constexpr std::size_t kShortestAbbreviation = 3;
        std::size_t score = 0;
        if (const std::size_t distance = editDistance(column, key); distance <= typoTolerance(key))
            score = 600 - distance; // "Kinder_Schwer" means Kind_Schwer, not Kind
        else if (column.starts_with(key))
            score = 500 + key.size();
        else if (column.size() >= kShortestAbbreviation && key.starts_with(column))
            score = 300 + column.size();
        if (score > bestScore) {
            bestScore = score;
            best = category.key;
        }
    }
    return best;
}

// The booking's own number, for its calculation sheet: a column named so, else the first column
// where it is none of those read.
std::optional<std::size_t> referenceColumn(const std::vector<std::string> &names, const ColumnMap &columns)
{
    constexpr std::array<std::string_view, 10> kReferenceNames{"nr", "nummer", "buchungsnr", "buchungsnummer",
        "buchung", "reservierung", "reservierungsnr", "reservierungsnummer", "referenz", "ref"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = normalisedName(names[i]);
        if (std::find(kReferenceNames.begin(), kReferenceNames.end(), name) != kReferenceNames.end())
            return i;
    }
    const bool firstIsRead = columns.arrival == 0 || columns.departure == 0
        || std::any_of(columns.counts.begin(), columns.counts.end(),
            [](const auto &counted) { return std::find(counted.begin(), counted.end(), 0) != counted.end(); })
        || (!columns.resultAt.empty() && columns.resultAt.front().has_value());
    if (names.empty() || firstIsRead)
        return std::nullopt;
    return 0;
}

// One or two letters off a category's key.
bool isMisspeltKey(std::string_view name)
{
    const std::string column = normalisedName(name);
    return std::any_of(kCategories.begin(), kCategories.end(), [&column](const CategoryRules &category) {
        const std::string key = normalisedName(category.key);
        return editDistance(column, key) <= typoTolerance(key);
    });
}

// A word for a shell, as the hints give a name to paste: in single quotes, a quote in it as '\''.
std::string shellWord(std::string_view text)
{
    std::string word = "'";
    for (const char c : text)
        word += c == '\'' ? std::string{"'\\''"} : std::string(1, c);
    return word + "'";
}

// What the user can say of a column: --column 'NAME=GRUPPE' or --pass-column 'NAME'.
std::string choicesFor(std::string_view name)
{
    return "--column " + shellWord(std::string{name} + "=GRUPPE") + " oder --pass-column " + shellWord(name);
}

std::string passHint(std::string_view name)
{
    return " Mit " + choicesFor(name) + " sagen, was sie ist (Gruppen: " + allCategoryKeys() + ").";
}

// Words of a name that say its column counts no persons: references and numbers, rooms, addresses
// and telephones, dates and nights, totals and remarks of the list's own, animals; and, as the end
// of a word, the words of numbers ("Buchungsnr", "Zimmernummer", "GastID"). A name says so only
// where every word of it is such a word: "Lehrer gesamt" or "Gast Nr" may count persons.
constexpr std::array<std::string_view, 59> kNoCountWords{"nr", "nummer", "no", "id", "ref", "referenz", "beleg",
    "buchung", "reservierung", "rechnung", "kunde", "kunden", "lfd", "pos", "position", "zeile", "code", "status",
    "zimmer", "zi", "raum", "wohnung", "whg", "apartment", "appartement", "fewo", "ferienwohnung", "unterkunft",
    "objekt", "haus", "etage", "plz", "postleitzahl", "ort", "straße", "strasse", "tel", "telefon", "fax", "mobil",
    "handy", "jahr", "monat", "datum", "kw", "nacht", "nächte", "naechte", "übernachtungen", "uebernachtungen", "tage",
    "dauer", "alter", "gesamt", "fehler", "hund", "hunde", "haustier", "haustiere"};
constexpr std::array<std::string_view, 3> kNumberEndings{"nr", "nummer", "id"};

} // namespace

const std::array<std::string, kResultColumns> &resultColumnNames()
{
    static const std::array<std::string, kResultColumns> names = [] {
        std::array<std::string, kResultColumns> result;
        result.at(kNightsColumn) = "Nächte";
        for (const CategoryRules &category : kCategories)
            result.at(1 + indexOf(category.category)) = "Summe_" + std::string{category.key};
        result.at(kTotalColumn) = "Gesamt";
        result.at(kErrorColumn) = "Fehler";
        return result;
    }();
    return names;
}

std::string plainName(std::string_view name)
{
    std::string plain;
    bool blank = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool noBreakSpace = c == '\xC2' && i + 1 < name.size() && name[i + 1] == '\xA0';
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || noBreakSpace) {
            blank = true;
            i += noBreakSpace ? 1 : 0;
            continue;
        }
        if (blank && !plain.empty())
            plain += ' ';
        blank = false;
        plain += c;
    }
    return plain;
}

std::string lowerCase(std::string_view text)
{
    std::string out{text};
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] >= 'A' && out[i] <= 'Z') {
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
        } else if (out[i] == '\xC3' && i + 1 < out.size()
            && (out[i + 1] == '\x84' || out[i + 1] == '\x96' || out[i + 1] == '\x9C')) {
            out[i + 1] = static_cast<char>(out[i + 1] + 0x20); // Ä Ö Ü to ä ö ü
            ++i;
        }
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && lowerCase(a) == lowerCase(b);
}

namespace {

// Which kinds of words a name holds; none where it holds a word of something else ("Preis
// Erwachsene", "Kinderbett").
using WordsSaid = std::array<bool, static_cast<std::size_t>(Word::Filler) + 1>;

// Which kinds of words a name holds, and whether it holds a word of something else too.
struct NameWords
{
    WordsSaid said{};
    bool otherWords = false;
    bool personsWithin = false; // a word of something else that tells a count of persons
    bool moneyWithin = false; // a word that tells an amount of money

    bool says(Word word) const { return said.at(static_cast<std::size_t>(word)); }
};

bool holdsAny(const std::string &word, const auto &parts)
{
    return std::any_of(
        parts.begin(), parts.end(), [&word](std::string_view part) { return word.find(part) != std::string::npos; });
}

NameWords wordsSaid(std::string_view name)
{
    NameWords words;
    for (const std::string &word : wordsOf(name)) {
        words.moneyWithin = words.moneyWithin || holdsAny(word, kMoneyWithin);
        const auto *const vocable = std::find_if(
            kVocabulary.begin(), kVocabulary.end(), [&word](const Vocable &known) { return known.word == word; });
        if (vocable == kVocabulary.end()) {
            words.otherWords = true;
            words.personsWithin = words.personsWithin || holdsAny(word, kPersonsWithin);
            continue;
        }
        words.said.at(static_cast<std::size_t>(vocable->says)) = true;
        words.said.at(static_cast<std::size_t>(vocable->alsoSays)) = true;
    }
    return words;
}

// A name that says its column counts no persons: all its words say so ("Anzahl gesamt", "Alter ab 12"
// and "Lehrer gesamt" are judged by their cells).
bool saysNoCount(std::string_view name)
{
    const std::vector<std::string> words = wordsOf(name);
    return !words.empty() && std::all_of(words.begin(), words.end(), [](const std::string &word) {
        const auto is = [&word](std::string_view known) { return word == known; };
        const auto endsWith = [&word](std::string_view ending) { return word.ends_with(ending); };
        return std::any_of(kNoCountWords.begin(), kNoCountWords.end(), is)
            || std::any_of(kNumberEndings.begin(), kNumberEndings.end(), endsWith);
    });
}

PersonColumn unclear(std::string couldMean)
{
    return {.kind = PersonColumn::Kind::Unclear, .category = {}, .couldMean = std::move(couldMean)};
}

PersonColumn categoryColumn(PersonCategory category)
{
    return {.kind = PersonColumn::Kind::Category, .category = category, .couldMean = {}};
}

// A name of children: which children's category, and whether from 12 (who pay) or under. Only a
// name that says so plainly is read; "bis 12", "u. 12" or "nicht fremd" are not.
PersonColumn childrenColumn(const NameWords &words)
{
    const bool foreign = words.says(Word::Foreign) || (words.says(Word::Not) && words.says(Word::Family));
    const bool negated = words.says(Word::Not) && !(words.says(Word::Family) && !words.says(Word::Foreign));
    const bool percentAlone = words.says(Word::Percent) && !words.says(Word::Severe);
    if ((words.says(Word::Severe) && foreign) || words.says(Word::Disabled) || negated || percentAlone)
        return unclear(keyWithSubject(PersonCategory::Kind) + ", " + keyWithSubject(PersonCategory::Kind_Schwer) + ", "
            + keyWithSubject(PersonCategory::Kind_Fremd) + " oder " + std::string{kUnderTwelve});
    PersonCategory children = PersonCategory::Kind;
    if (words.says(Word::Severe))
        children = PersonCategory::Kind_Schwer;
    else if (foreign)
        children = PersonCategory::Kind_Fremd;
    const bool from = words.says(Word::From);
    const bool under = words.says(Word::Under);
    if (words.says(Word::Twelve) && !words.says(Word::ShortU) && from != under) {
        if (under)
            return {.kind = PersonColumn::Kind::Free, .category = {}, .couldMean = {}};
        return categoryColumn(children);
    }
    return unclear(keyWithSubject(children) + " oder " + std::string{kUnderTwelve});
}

// A name of adults or students alone.
PersonColumn adultsOrStudentsColumn(const NameWords &words)
{
    const bool ages = words.says(Word::Twelve) || words.says(Word::From) || words.says(Word::Under)
        || words.says(Word::ShortU) || words.says(Word::Not);
    // "80 %" without "schwerbehindert" may be meant so, or be something else.
    const bool percentAlone = words.says(Word::Percent) && !words.says(Word::Severe);
    if (words.says(Word::Student)) {
        if (ages || percentAlone || words.says(Word::Severe) || words.says(Word::Disabled))
            return unclear(
                keyWithSubject(PersonCategory::Student) + " oder " + keyWithSubject(PersonCategory::Erwachsene));
        return categoryColumn(PersonCategory::Student);
    }
    if (ages || percentAlone || words.says(Word::Disabled)) // "nicht schwerbehindert", "behindert" alone
        return unclear(
            keyWithSubject(PersonCategory::Erwachsene) + " oder " + keyWithSubject(PersonCategory::Erw_Schwer));
    return categoryColumn(words.says(Word::Severe) ? PersonCategory::Erw_Schwer : PersonCategory::Erwachsene);
}

// A second column for an arrival or a departure refuses the list.
void takeColumn(const std::vector<std::string> &names, std::optional<std::size_t> &column, std::size_t i)
{
    if (column)
        throw UnusableList("Die Spalte „" + names[i] + "“ steht zweimal in der Kopfzeile.");
    column = i;
}

// A column that is none of the dates and results: a category's count, passed through, watched, or refused.
void readPersonColumn(const std::vector<std::string> &names, std::size_t i, const ColumnChoices &choices,
    bool resultName, std::array<std::optional<std::size_t>, kCategoryCount> &namedCounts, ColumnMap &columns)
{
    const std::string &name = names[i];
    const auto named = [&name](const std::string &choice) { return sameName(plainName(choice), name); };
    if (std::any_of(choices.passColumns.begin(), choices.passColumns.end(), named))
        return; // as the user says, even a category's own key
    const auto as = std::find_if(choices.columnsAs.begin(), choices.columnsAs.end(),
        [&named](const ColumnAs &choice) { return named(choice.name); });
    if (as != choices.columnsAs.end()) {
        columns.counts.at(indexOf(as->category)).push_back(i);
        return;
    }
    if (resultName)
        return; // the list's own column of a result's name ("Gesamt", a hotel's price), unless the user says so
    const PersonColumn person = personColumnOf(name);
    switch (person.kind) {
    case PersonColumn::Kind::Category: {
        std::optional<std::size_t> &taken = namedCounts.at(indexOf(person.category));
        if (taken) {
            columns.refusals.push_back(sameName(names[*taken], name)
                    ? "Die Spalte „" + name + "“ steht zweimal in der Kopfzeile."
                    : "Die Spalten „" + names[*taken] + "“ und „" + name + "“ nennen beide „"
                        + std::string{kCategories.at(indexOf(person.category)).key}
                        + "“; nur eine davon darf in der Kopfzeile stehen, oder mit --column werden beide gezählt.");
            return;
        }
        taken = i;
        columns.counts.at(indexOf(person.category)).push_back(i);
        break;
    }
    case PersonColumn::Kind::Unclear:
        columns.refusals.push_back("Die Spalte „" + name + "“ zählt Personen, nennt aber nicht genau eine "
            + "Personengruppe: gemeint sein kann " + person.couldMean + "." + passHint(name));
        break;
    case PersonColumn::Kind::Free:
    case PersonColumn::Kind::Amount:
        break;
    case PersonColumn::Kind::NotPersons:
        if (const std::optional<std::string_view> key = nearCategoryKey(name)) {
            columns.refusals.push_back("Die Spalte „" + name + "“ ist keine Personengruppe; gemeint ist wohl „"
                + std::string{*key} + "“." + passHint(name));
        } else if (!saysNoCount(name)) {
            columns.unknown.push_back(i);
        }
        break;
    }
}

// What the user says of the columns must name each column once, and neither dates nor results.
void refuseContradictions(const std::vector<std::string> &names, const ColumnChoices &choices, ColumnMap &columns)
{
    for (auto as = choices.columnsAs.begin(); as != choices.columnsAs.end(); ++as) {
        const std::string name = plainName(as->name);
        const auto same = [&name](std::string_view other) { return sameName(plainName(other), name); };
        const auto column = std::find_if(names.begin(), names.end(), same);
        const auto index = static_cast<std::size_t>(column - names.begin());
        if (column == names.end())
            continue; // perhaps in another header of the list: see ListSummary::columnsNotFound
        const std::string &shown = *column; // as the header writes it
        std::string refusal;
        if (index == columns.arrival || index == columns.departure || columns.resultAt[index]) {
            refusal = "Die Spalte „" + shown + "“ von --column ist keine Spalte von Personen.";
        } else if (std::any_of(choices.passColumns.begin(), choices.passColumns.end(), same)) {
            refusal = "Die Spalte „" + shown + "“ steht bei --column und bei --pass-column; nur eines gilt.";
        } else if (std::any_of(
                       choices.columnsAs.begin(), as, [&same](const ColumnAs &other) { return same(other.name); })) {
            refusal = "Die Spalte „" + shown + "“ steht mehrmals bei --column; nur eine Gruppe gilt.";
        }
        if (!refusal.empty())
            columns.refusals.push_back(refusal);
    }
}

// The last place where the result columns stand complete and in their order: a list this program
// calculated before.
std::optional<std::size_t> resultBlockIn(const std::vector<std::string> &names)
{
    const auto &results = resultColumnNames();
    for (std::size_t start = names.size(); start >= kResultColumns; --start) {
        const std::size_t first = start - kResultColumns;
        if (std::equal(results.begin(), results.end(), names.begin() + static_cast<std::ptrdiff_t>(first),
                [](const std::string &result, const std::string &name) { return sameName(name, result); }))
            return first;
    }
    return std::nullopt;
}

} // namespace

PersonColumn personColumnOf(std::string_view nameUtf8)
{
    // The key with a blank, hyphen or point for its underscore: "Kind-Fremd", "erw schwer".
    std::string keyLike = lowerCase(nameUtf8);
    std::replace_if(
        keyLike.begin(), keyLike.end(), [](char c) { return c == ' ' || c == '-' || c == '.'; }, '_');
    for (const CategoryRules &category : kCategories) {
        if (keyLike == lowerCase(category.key))
            return categoryColumn(category.category);
    }
    if (const CategoryRules *owner = categoryOwningName(nameUtf8))
        return categoryColumn(owner->category);
    const NameWords words = wordsSaid(nameUtf8);
    if (words.moneyWithin) // an amount: "Preis Erwachsene", "Erwachsene €"
        return {.kind = PersonColumn::Kind::Amount, .category = {}, .couldMean = {}};
    const bool child
        = words.says(Word::Child) || words.says(Word::Foreign) || (words.says(Word::Not) && words.says(Word::Family));
    const int groups = static_cast<int>(words.says(Word::Adult)) + static_cast<int>(words.says(Word::Student))
        + static_cast<int>(child);
    if (words.otherWords) {
        // Words of something else beside those of persons: read as none of the categories. A key
        // misspelt ("Kinde", "Erwachsne") is named as such by the caller.
        if (isMisspeltKey(nameUtf8))
            return {};
        if (groups > 0 || words.personsWithin || words.says(Word::Persons) || words.says(Word::Severe)
            || words.says(Word::Disabled))
            return unclear("eine der Personengruppen " + allCategoryKeys() + " oder keine");
        return {};
    }
    if (groups == 0) {
        if (words.says(Word::Severe) || words.says(Word::Disabled))
            return unclear(
                keyWithSubject(PersonCategory::Erw_Schwer) + " oder " + keyWithSubject(PersonCategory::Kind_Schwer));
        if (words.says(Word::Persons) || words.says(Word::Count))
            return unclear("jede der Personengruppen " + allCategoryKeys());
        return {};
    }
    if (groups > 1) {
        std::string couldMean;
        if (words.says(Word::Adult))
            couldMean = "Erwachsene";
        if (words.says(Word::Student))
            couldMean.append(couldMean.empty() ? "" : " oder ").append(keyWithSubject(PersonCategory::Student));
        if (child)
            couldMean.append(" oder Kinder");
        return unclear(couldMean);
    }
    if (child)
        return childrenColumn(words);
    return adultsOrStudentsColumn(words);
}

ColumnMap mapColumns(const std::vector<std::string> &names, const ColumnChoices &choices, std::string_view headerText)
{
    ColumnMap columns;
    columns.fieldCount = names.size();
    columns.namedFieldCount = names.size();
    while (columns.namedFieldCount > 0 && names[columns.namedFieldCount - 1].empty())
        --columns.namedFieldCount;
    columns.resultAt.assign(names.size(), std::nullopt);
    if (const std::optional<std::size_t> block = resultBlockIn(names)) {
        columns.rerun = true;
        columns.resultBlock = *block;
        for (std::size_t r = 0; r < kResultColumns; ++r)
            columns.resultAt.at(*block + r) = r;
        columns.resultPresent.fill(true);
    }
    // The dates first: a list without them is no booking list, whatever its other columns say.
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (sameName(names[i], kArrivalColumn))
            takeColumn(names, columns.arrival, i);
        else if (sameName(names[i], kDepartureColumn))
            takeColumn(names, columns.departure, i);
    }
    if (!columns.arrival || !columns.departure) {
        const std::string_view missing = columns.arrival ? kDepartureColumn : kArrivalColumn;
        throw UnusableList("Die Kopfzeile hat keine Spalte „" + std::string{missing}
            + "“. Erste Zeile: " + std::string{headerText.substr(0, 200)});
    }
    refuseContradictions(names, choices, columns);
    std::array<std::optional<std::size_t>, kCategoryCount> namedCounts{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string &name = names[i];
        const bool result = std::any_of(resultColumnNames().begin(), resultColumnNames().end(),
            [&name](const std::string &resultName) { return sameName(name, resultName); });
        if (i != columns.arrival && i != columns.departure && !columns.resultAt[i])
            readPersonColumn(names, i, choices, result, namedCounts, columns);
    }
    columns.reference = referenceColumn(names, columns);
    return columns;
}

std::string noCountColumnRefusal(std::string_view headerText, long line)
{
    return "Die Kopfzeile hat keine Spalte mit der Zahl der Personen einer Personengruppe (" + allCategoryKeys()
        + "): Es würde für niemanden etwas berechnet. Kopfzeile (Zeile " + std::to_string(line)
        + "): " + std::string{headerText.substr(0, 200)};
}

std::string countLikeRefusal(std::string_view name, std::size_t position)
{
    if (name.empty()) {
        return "Die Spalte Nr. " + std::to_string(position + 1)
            + " hat keinen Namen und hält ganze Zahlen, die Personen zählen könnten. Bitte in der Kopfzeile "
              "benennen.";
    }
    return "Die Spalte „" + std::string{name}
    + "“ hält ganze Zahlen, die Personen zählen könnten, und ihr Name nennt keine Personengruppe; sie würde "
      "nicht berechnet."
        + passHint(name);
}

std::string countLikeCellError(std::string_view name, std::size_t position, std::string_view text)
{
    if (name.empty()) {
        return "Die Spalte Nr. " + std::to_string(position + 1) + " ohne Namen hält hier die Zahl " + std::string{text}
        + ", die Personen zählen könnte (bitte in der Kopfzeile benennen)";
    }
    return "Die Spalte „" + std::string{name} + "“ hält hier die Zahl " + std::string{text}
    + ", die Personen zählen könnte (mit " + choicesFor(name) + " sagen, was sie ist)";
}

std::string columnsReport(const std::vector<std::string> &names, const ColumnMap &columns)
{
    std::string read;
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const CategoryRules &category : kCategories) {
            const auto &counted = columns.counts.at(indexOf(category.category));
            if (std::find(counted.begin(), counted.end(), i) != counted.end())
                read.append(read.empty() ? "" : ", ").append("„" + names[i] + "“ als ").append(category.key);
        }
    }
    std::string passed;
    for (std::size_t i = 0; i < columns.namedFieldCount; ++i) {
        const bool isRead = std::any_of(columns.counts.begin(), columns.counts.end(),
            [i](const auto &counted) { return std::find(counted.begin(), counted.end(), i) != counted.end(); });
        if (!isRead && i != columns.arrival && i != columns.departure && !columns.resultAt[i])
            passed.append(passed.empty() ? "" : ", ").append("„" + names[i] + "“");
    }
    std::string report = "Spalten: " + read;
    if (columns.rerun) {
        report += "; Ergebnisse eines früheren Laufs ab Spalte " + std::to_string(columns.resultBlock + 1)
            + " neu berechnet";
    }
    return report + "; unverändert: " + (passed.empty() ? std::string{"keine"} : passed);
}

std::optional<ColumnAs> columnAsOf(std::string_view text)
{
    const std::size_t equals = text.rfind('=');
    if (equals == std::string_view::npos || equals == 0)
        return std::nullopt;
    const PersonColumn category = personColumnOf(text.substr(equals + 1));
    if (category.kind != PersonColumn::Kind::Category)
        return std::nullopt;
    return ColumnAs{.name = std::string{text.substr(0, equals)}, .category = category.category};
}

} // namespace salvenor::batch
