#include "core/media/cue_text.h"

#include <QList>

namespace zv::media::detail {

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Builds the SubRip text: no empty lines (a blank line would end the cue), no leading or
// trailing blanks on a line, tags opened and closed only when the style really changes.
class SubRipText {
public:
    explicit SubRipText(TextStyle style) : initial_(style) { setStyle(style); }

    void character(char c)
    {
        if (isBlank(c)) {
            if (lineVisible_)
                pendingBlank_ = true;
            return;
        }
        if (pendingBlank_) {
            out_ += ' ';
            pendingBlank_ = false;
        }
        out_ += c;
        lineVisible_ = true;
        anyVisible_ = true;
    }
    void lineBreak()
    {
        pendingBlank_ = false;
        if (!lineVisible_)
            return; // an empty line joins the next one, keeping its tags
        out_ += '\n';
        lineStart_ = out_.size();
        lineVisible_ = false;
    }
    void setItalic(bool on)
    {
        if (on == italic_)
            return;
        if (on)
            flushBlank();
        out_ += on ? "<i>" : "</i>";
        italic_ = on;
    }
    void setBold(bool on)
    {
        if (on == bold_)
            return;
        if (on)
            flushBlank();
        out_ += on ? "<b>" : "</b>";
        bold_ = on;
    }
    void setStyle(TextStyle s)
    {
        // Close in the reverse order of opening so that the tags nest.
        if (!s.bold)
            setBold(false);
        if (!s.italic)
            setItalic(false);
        setItalic(s.italic);
        setBold(s.bold);
    }
    void reset() { setStyle(initial_); }

    QByteArray finish()
    {
        pendingBlank_ = false;
        setBold(false);
        setItalic(false);
        if (!anyVisible_)
            return {};
        if (!lineVisible_ && lineStart_ > 0) // closing tags alone on the last line
            out_.remove(lineStart_ - 1, 1);
        return out_;
    }

private:
    void flushBlank()
    {
        // A blank next to a tag stays outside it: "a <i>b</i> c".
        if (pendingBlank_) {
            out_ += ' ';
            pendingBlank_ = false;
        }
    }

    QByteArray out_;
    TextStyle initial_;
    qsizetype lineStart_ = 0;
    bool lineVisible_ = false;
    bool anyVisible_ = false;
    bool pendingBlank_ = false;
    bool italic_ = false;
    bool bold_ = false;
};

// The override tags of one {...} block. Only \i, \b, \r and \p change what is kept.
void applyOverrides(QByteArrayView block, SubRipText &out, bool &drawing)
{
    qsizetype i = 0;
    const qsizetype n = block.size();
    while (i < n) {
        if (block[i] != '\\') {
            ++i;
            continue;
        }
        ++i;
        const qsizetype nameStart = i;
        while (i < n && isAsciiLetter(block[i]))
            ++i;
        const QByteArrayView name = block.sliced(nameStart, i - nameStart);
        if (i < n && block[i] == '(') { // \t(...), \clip(...), \pos(...): skip the arguments
            int depth = 0;
            for (; i < n; ++i) {
                if (block[i] == '(')
                    ++depth;
                else if (block[i] == ')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
            continue;
        }
        const qsizetype valueStart = i;
        while (i < n && block[i] != '\\')
            ++i;
        const QByteArrayView value = block.sliced(valueStart, i - valueStart).trimmed();
        bool numeric = false;
        const int v = value.isEmpty() ? 0 : QByteArray(value.data(), value.size()).toInt(&numeric);
        if (name == "i") {
            out.setItalic(numeric && v != 0);
        } else if (name == "b") {
            // \b1 or a weight from 100 to 900; bold from the usual 700 down to semibold.
            out.setBold(numeric && (v == 1 || v >= 600));
        } else if (name == "r") {
            out.reset();
        } else if (name == "p") {
            drawing = numeric && v > 0;
        }
    }
}

// "<i>", "</b>", "<font color=red>", "<v Anna>", "<00:01.000>" at `at`; the length of the tag
// or 0 when the '<' is just a character.
qsizetype htmlTag(QByteArrayView t, qsizetype at, SubRipText &out)
{
    const qsizetype n = t.size();
    if (at + 1 >= n)
        return 0;
    const char first = t[at + 1];
    if (!(isAsciiLetter(first) || first == '/' || isDigit(first)))
        return 0;
    qsizetype k = at + 1;
    while (k < n && t[k] != '>' && t[k] != '<' && t[k] != '\n' && t[k] != '\r')
        ++k;
    if (k >= n || t[k] != '>')
        return 0;
    const bool closing = first == '/';
    qsizetype s = at + 1 + (closing ? 1 : 0);
    qsizetype e = s;
    while (e < k && (isAsciiLetter(t[e]) || isDigit(t[e])))
        ++e;
    const QByteArray name = QByteArray(t.data() + s, e - s).toLower();
    if (name == "i")
        out.setItalic(!closing);
    else if (name == "b")
        out.setBold(!closing);
    return k + 1 - at;
}

// The few named entities WebVTT cue text uses; 0 when `at` starts none.
qsizetype webVttEntity(QByteArrayView t, qsizetype at, SubRipText &out)
{
    static const struct {
        const char *name;
        const char *text;
    } entities[] = {{"&amp;", "&"},  {"&lt;", "<"},    {"&gt;", ">"},   {"&nbsp;", " "},
                    {"&quot;", "\""}, {"&apos;", "'"}, {"&lrm;", ""},   {"&rlm;", ""}};
    const QByteArrayView rest = t.sliced(at);
    for (const auto &e : entities) {
        if (rest.startsWith(QByteArrayView(e.name))) {
            for (const char *c = e.text; *c; ++c)
                out.character(*c);
            return qsizetype(qstrlen(e.name));
        }
    }
    return 0;
}

} // namespace

QByteArray toSubRipText(QByteArrayView t, CueMarkup markup, TextStyle style)
{
    SubRipText out(style);
    bool drawing = false;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = t[i];
        if (c == '{' && (markup == CueMarkup::Ass || (i + 1 < n && t[i + 1] == '\\'))) {
            const qsizetype close = t.indexOf('}', i);
            if (close > 0) {
                applyOverrides(t.sliced(i + 1, close - i - 1), out, drawing);
                i = close + 1;
                continue;
            }
        } else if (c == '\\' && i + 1 < n) {
            const char d = t[i + 1];
            if (d == 'N' || (markup == CueMarkup::Ass && d == 'n')) {
                out.lineBreak();
                i += 2;
                continue;
            }
            if (markup == CueMarkup::Ass && d == 'h') {
                if (!drawing)
                    out.character(' ');
                i += 2;
                continue;
            }
        } else if (c == '\n' || c == '\r') {
            out.lineBreak();
            i += (c == '\r' && i + 1 < n && t[i + 1] == '\n') ? 2 : 1;
            continue;
        } else if (c == '<' && markup != CueMarkup::Ass) {
            if (const qsizetype len = htmlTag(t, i, out)) {
                i += len;
                continue;
            }
        } else if (c == '&' && markup == CueMarkup::WebVtt) {
            if (const qsizetype len = webVttEntity(t, i, out)) {
                i += len;
                continue;
            }
        } else if (c == '\0') {
            ++i;
            continue;
        }
        if (!drawing)
            out.character(c);
        ++i;
    }
    return out.finish();
}

AssEvent splitAssEvent(QByteArrayView event)
{
    int styleField = 2, textField = 8;
    if (event.startsWith("Dialogue:")) {
        event = event.sliced(9);
        styleField = 3;
        textField = 9;
    }
    AssEvent e;
    qsizetype fieldStart = 0;
    int field = 0;
    for (qsizetype i = 0; i < event.size() && field < textField; ++i) {
        if (event[i] != ',')
            continue;
        if (field == styleField)
            e.style = event.sliced(fieldStart, i - fieldStart).trimmed();
        ++field;
        fieldStart = i + 1;
    }
    e.text = field == textField ? event.sliced(fieldStart) : event;
    return e;
}

QHash<QByteArray, TextStyle> assStyles(QByteArrayView header)
{
    QHash<QByteArray, TextStyle> styles;
    int nameAt = -1, boldAt = -1, italicAt = -1;
    bool inStyles = false;
    for (QByteArrayView line : QByteArray(header.data(), header.size()).split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inStyles = line.startsWith("[V4+ Styles]") || line.startsWith("[V4 Styles]");
            continue;
        }
        if (!inStyles)
            continue;
        const bool format = line.startsWith("Format:");
        if (!format && !line.startsWith("Style:"))
            continue;
        const QList<QByteArray> fields = line.sliced(line.indexOf(':') + 1).toByteArray().split(',');
        if (format) {
            for (int i = 0; i < fields.size(); ++i) {
                const QByteArray f = fields[i].trimmed();
                if (f == "Name")
                    nameAt = i;
                else if (f == "Bold")
                    boldAt = i;
                else if (f == "Italic")
                    italicAt = i;
            }
            continue;
        }
        if (nameAt < 0 || nameAt >= fields.size())
            continue;
        TextStyle s;
        s.bold = boldAt >= 0 && boldAt < fields.size() && fields[boldAt].trimmed().toInt() != 0;
        s.italic = italicAt >= 0 && italicAt < fields.size() && fields[italicAt].trimmed().toInt() != 0;
        styles.insert(fields[nameAt].trimmed(), s);
    }
    return styles;
}

} // namespace zv::media::detail
