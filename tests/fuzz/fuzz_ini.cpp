// The settings file. Properties:
//  - content() is stable: reading what was written gives the same bytes again;
//  - a key written with a value read from the input reads back that value after a re-read,
//    and every other key keeps its value;
//  - the typed settings, once saved, read back equal and save to the same bytes again.

#include "core/config/ini_file.h"
#include "core/common/text_codec.h"
#include "core/config/settings.h"
#include "fuzz/fuzz_support.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    IniFile ini;
    ini.setContent(bytes);
    const QByteArray once = ini.content();
    IniFile reread;
    reread.setContent(once);
    ZV_FUZZ_CHECK(reread.content() == once, once, reread.content());

    // The last line of the input, split at its first '=' and '/', names section, key and value.
    const QStringList lines = splitLines(QString::fromUtf8(bytes));
    if (!lines.isEmpty()) {
        const QString last = lines.last();
        const qsizetype eq = last.indexOf(u'=');
        const qsizetype slash = last.indexOf(u'/');
        if (eq > 0 && slash > eq) {
            const QString section = last.left(eq), key = last.mid(eq + 1, slash - eq - 1);
            const QString value = last.mid(slash + 1);
            IniFile written = reread;
            const QString before = written.readString(u"Main", u"ParamFile", QStringLiteral("<none>"));
            if (written.writeString(section, key, value)) {
                IniFile back;
                back.setContent(written.content());
                ZV_FUZZ_CHECK(back.readString(section, key) == value, value, back.readString(section, key));
                if (section.compare(u"Main", Qt::CaseInsensitive) != 0
                    || key.compare(u"ParamFile", Qt::CaseInsensitive) != 0) {
                    ZV_FUZZ_CHECK(back.readString(u"Main", u"ParamFile", QStringLiteral("<none>")) == before, before);
                }
            }
        }
    }

    // Whether a window's keys exist is part of what is read, so the first save may change what
    // a read gives; from then on saving what was read is a fixed point.
    const QStringList modes{QStringLiteral("1920 x 1080 x 32"), QStringLiteral("1280 x 720 x 32")};
    IniFile first = ini;
    saveSettings(first, loadSettings(ini, modes));
    IniFile firstBack;
    firstBack.setContent(first.content());
    const Settings settings = loadSettings(firstBack, modes);
    IniFile second = firstBack;
    saveSettings(second, settings);
    ZV_FUZZ_CHECK(second.content() == first.content(), first.content(), second.content());
    IniFile secondBack;
    secondBack.setContent(second.content());
    ZV_FUZZ_CHECK(loadSettings(secondBack, modes) == settings, second.content());
    return 0;
}
