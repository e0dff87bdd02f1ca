#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "language.h"

// The windows whose access keys must differ, by their texts.
static const std::vector<std::vector<TextId>> WINDOWS = {
    { T_OK, T_CANCEL, T_AM_KEY, T_PM_KEY, T_24HOUR, T_ACTION_NONE, T_STANDBY, T_SHUTDOWN, T_REBOOT, T_FORCE,
      T_PLUGIN_DISABLED, T_RUN_ONCE, T_PLUGIN_ENABLED, T_FADE, T_FINISH_SONG, T_NOTICE, T_MORNING, T_MORNING_FADE_IN,
      T_MORNING_VOLUME, T_PLAY_OWN, T_PLAY_CHOSEN, T_BROWSE, T_EVENING_LIST, T_MORNING_LIST, T_EVENING_NEW,
      T_EVENING_DELETE, T_MORNING_NEW, T_MORNING_DELETE },
    { T_SNOOZE, T_CANCEL_TONIGHT, T_CLOSE_NOW },
    { T_SNOOZE, T_CANCEL_TONIGHT, T_STOP_NOW },
    { T_MORNING_SNOOZE, T_STOP, T_KEEP_PLAYING },
    { T_MENU_IN_15, T_MENU_IN_30, T_MENU_IN_45, T_MENU_IN_60, T_MENU_IN_120, T_MENU_SONG_END, T_MENU_STOP,
      T_MENU_ASLEEP, T_MENU_CANCEL, T_MENU_SETTINGS, T_MENU_SKIP, T_MENU_UNDO_SKIP },
};

static const char* ownText(const LanguageTable& table, int id, int* times)
{
    const char* found = NULL;
    *times = 0;
    for (unsigned i = 0; i < table.count; ++i) {
        if (table.texts[i].id == id) {
            found = table.texts[i].text;
            ++*times;
        }
    }
    return found;
}

// The places a text holds, in order of number ("%2 %1" and "%1 %2" alike),
// and its access key, upper-cased where the letter has cases; 0 for none.
static std::string placesOf(const char* text)
{
    std::string places;
    for (char digit = '1'; digit <= '9'; ++digit) {
        for (const char* p = text; *p; ++p) {
            if (p[0] == '%' && p[1] == '%')
                ++p;
            else if (p[0] == '%' && p[1] == digit)
                places += digit;
        }
    }
    return places;
}

static char32_t accessKeyOf(const char* text)
{
    std::u16string wide(256, 0);
    wide.resize(widenUtf8(text, wide.data(), wide.size()));
    for (size_t i = 0; i + 1 < wide.size(); ++i) {
        if (wide[i] == u'&' && wide[i + 1] == u'&') {
            ++i;
        } else if (wide[i] == u'&') {
            char32_t c = wide[i + 1];
            bool lower = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x430 && c <= 0x44F);
            if (lower)
                return c - 0x20;
            if (c >= 0x450 && c <= 0x45F)
                return c - 0x50;
            if (c >= 0x100 && c <= 0x17F && c % 2 == 1 && c != 0x131 && c != 0x138 && c != 0x149)
                return c - 1;  // the Latin letters of Polish and its neighbours
            return c;
        }
    }
    return 0;
}

// The keys that may stand twice in a window: the two columns' New buttons,
// and their Delete buttons, where a language runs short of letters.
static bool mayShareKey(TextId a, TextId b)
{
    return (a == T_EVENING_NEW && b == T_MORNING_NEW) || (a == T_EVENING_DELETE && b == T_MORNING_DELETE);
}

TEST(Texts, EveryLanguageHasEveryTextWithTheSamePlacesAndItsOwnKeys)
{
    const LanguageTable& english = *LANGUAGES[0];
    for (unsigned language = 0; language < LANGUAGE_COUNT; ++language) {
        const LanguageTable& table = *LANGUAGES[language];
        // Only Japanese and Chinese write a key in parentheses after the text.
        bool keysAfter = !strcmp(table.code, "ja") || !strcmp(table.code, "zh-CN");
        for (int id = 0; id < TEXT_COUNT; ++id) {
            int times, englishTimes;
            const char* text = ownText(table, id, &times);
            const char* original = ownText(english, id, &englishTimes);
            ASSERT_EQ(englishTimes, 1) << "English text " << id;
            ASSERT_EQ(times, 1) << table.code << " text " << id;
            EXPECT_EQ(placesOf(text), placesOf(original)) << table.code << ": " << text;
            std::u16string wide(1024, 0);
            wide.resize(widenUtf8(text, wide.data(), wide.size()));
            EXPECT_EQ(wide.find(u'\uFFFD'), std::u16string::npos) << table.code << ": not UTF-8: " << text;
            // Enter and Esc press OK and Cancel: they carry no key.
            bool keyed = id != T_OK && id != T_CANCEL && accessKeyOf(original) != 0;
            EXPECT_EQ(accessKeyOf(text) != 0, keyed) << table.code << ": " << text;
            EXPECT_TRUE(keysAfter || !strstr(text, "(&")) << table.code << ": " << text;
        }
        for (const auto& window : WINDOWS) {
            for (size_t a = 0; a < window.size(); ++a) {
                for (size_t b = a + 1; b < window.size(); ++b) {
                    char32_t key = accessKeyOf(textIn(language, window[a]));
                    EXPECT_TRUE(key == 0 || key != accessKeyOf(textIn(language, window[b])) ||
                                mayShareKey(window[a], window[b]))
                        << table.code << ": " << textIn(language, window[a]) << " / " << textIn(language, window[b]);
                }
            }
        }
    }
}

static unsigned s_missingCodePage;

static bool isInstalled(unsigned codePage)
{
    return codePage != s_missingCodePage;
}

TEST(Language, ChosenByKeyThenPackThenDisplayLanguage)
{
    static const struct {
        const char* key;
        const char* pack;
        uint16_t display;
        bool ansiOnly;
        unsigned codePage;
        const char* chosen;
        unsigned missingCodePage;
    } rows[] = {
        { NULL, NULL, 0x0409, false, 1252, "en" },
        { NULL, NULL, 0x0407, false, 1252, "de" },
        { NULL, NULL, 0x0C07, false, 1252, "de" },  // German (Austria)
        { NULL, NULL, 0x0816, false, 1252, "pt-BR" },  // Portuguese (Portugal)
        { NULL, NULL, 0x0804, false, 936, "zh-CN" },
        // Traditional Chinese has no table of its own: English.
        { NULL, NULL, 0x0404, false, 950, "en" },
        { NULL, NULL, 0x0C04, false, 950, "en" },
        { "zh-Hant", NULL, 0x0804, false, 936, "en" },
        { NULL, NULL, 0x041F, false, 1254, "en" },  // Turkish: none
        { "de", NULL, 0x0411, false, 932, "de" },
        { "pt-br", NULL, 0x0409, false, 1252, "pt-BR" },
        { "pt-PT", NULL, 0x0409, false, 1252, "pt-BR" },
        { "", NULL, 0x0419, false, 1251, "ru" },
        { "tlh", NULL, 0x0419, false, 1251, "ru" },
        { "de-DE-but-far-too-long", NULL, 0x0409, false, 1252, "en" },
        { NULL, "fr-FR", 0x0407, false, 1252, "fr" },
        { "it", "fr-FR", 0x0407, false, 1252, "it" },
        { NULL, "xx-YY", 0x0410, false, 1252, "it" },
        { NULL, NULL, 0x0411, false, 1252, "ja" },  // a Japanese user on a Western code page (NT)
        // 98 and Me show only what their ANSI code page holds.
        { NULL, NULL, 0x0411, true, 1252, "en" },
        { NULL, NULL, 0x0411, true, 932, "ja" },
        { "ru", NULL, 0x0409, true, 1252, "en" },
        { NULL, "pl-PL", 0x0409, true, 1250, "pl" },
        { NULL, NULL, 0x0409, true, 932, "en" },
        // NT 4.0 links no fonts either; East Asian support not installed.
        { NULL, "ru-RU", 0x0409, true, 1252, "en" },
        { NULL, NULL, 0x0411, false, 1252, "en", 932 },
    };
    for (const auto& row : rows) {
        s_missingCodePage = row.missingCodePage;
        LanguageFacts facts = { row.key, row.pack, row.display, row.ansiOnly, row.codePage, isInstalled };
        EXPECT_STREQ(LANGUAGES[chooseLanguage(facts)]->code, row.chosen)
            << (row.key ? row.key : "-") << " " << (row.pack ? row.pack : "-") << " " << row.display;
    }
}

// Only UTF-8 decodes: each byte that begins no sequence, and each sequence
// broken off, is one U+FFFD. A text cut to its buffer is a prefix of the
// whole, never half a pair.
TEST(Text, DecodesStrictUtf8AndCutsBeforeWhatDoesNotFit)
{
    static const struct {
        const char* pattern;
        std::u16string value;
        size_t size;
        std::u16string text;
    } rows[] = {
        { "a\xC2\xA0\xE2\x82\xAC\xF0\x9F\x8C\x99", u"", 16, u"a\u00A0\u20AC\U0001F319" },
        { "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", u"", 16, u"\uD7FF\uE000\U0010FFFF" },
        { "A\xC0\x80" "B", u"", 16, u"A\uFFFD\uFFFDB" },            // overlong U+0000
        { "\xE0\x80\xAF\xF0\x80\x80\xAF", u"", 16, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD" },  // overlong '/'
        { "\xED\xA0\x80" "b", u"", 16, u"\uFFFD\uFFFD\uFFFDb" },  // a surrogate
        { "\xF4\x90\x80\x80" "c", u"", 16, u"\uFFFD\uFFFD\uFFFD\uFFFDc" },  // above U+10FFFF
        { "\xF5\x80\xF8\x88\x80\x80\x80\xFF", u"", 16, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD" },
        { "\x80" "d\xE2\x82" "e\xE2\x82", u"", 16, u"\uFFFDd\uFFFDe\uFFFD" },  // stray, cut short
        // Cut inside a pair: the pair goes, and nothing after it comes.
        { "ab\xF0\x9F\x8C\x99" "c", u"", 4, u"ab" },
        { "ab%1c", u"\U0001F319", 4, u"ab" },
        { "ab%1", u"x\U0001F319", 5, u"abx" },
    };
    for (const auto& row : rows) {
        const char16_t* values[] = { row.value.c_str() };
        std::vector<char16_t> out(row.size, u'x');
        size_t length = formatText(row.pattern, values, 1, out.data(), row.size);
        EXPECT_EQ(std::u16string(out.data()), row.text) << row.pattern;
        EXPECT_EQ(length, row.text.size()) << row.pattern;
    }
}
