#include "documents/RtfImporter.h"

#include "documents/RtfCodePages.h"
#include "documents/RtfKeywords.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cctype>
#include <climits>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace {

struct CharProps
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int halfPoints = 24;
    int font = -1;
    int color = 0;
    int highlight = 0;

    bool operator==(const CharProps &) const = default;
};

enum class Dest : unsigned char { Text, FontTable, ColorTable, Info, Title };

struct State
{
    CharProps chars;
    Qt::Alignment align = Qt::AlignLeft;
    int uc = 1;
    Dest dest = Dest::Text;
};

struct Font
{
    QString name;
    int codePage = 0;
};

// Real documents nest a few dozen groups; deeper groups share their parent's state, so
// a nesting bomb costs a counter instead of memory.
constexpr size_t kMaxDepth = 4096;

class Parser
{
public:
    Parser(const QByteArray &rtf, QTextDocument *doc, QString *title)
        : m_title(title)
        , m_p(rtf.constData())
        , m_end(rtf.constData() + rtf.size())
        , m_cursor(doc)
    {
        m_stack.reserve(64);
        m_stack.push_back(State());
    }

    void run();

private:
    State &state() { return m_stack.back(); }

    void openGroup();
    void closeGroup();
    void controlSequence();
    void keyword(std::string_view word, bool hasParam, int param);
    void skipControlInSkippedGroup();
    void skipBinary(int count);
    void enterSkip();

    void textBytes();
    void addByte(unsigned char byte);
    void emitChars(QStringView text);
    void unicodeChar(int value);
    void beforeOutput();
    void decodePending();
    void flushRun();
    void paragraph();
    void finish();

    int codePageOf(int font) const;
    int currentCodePage() const;
    QTextCharFormat formatFor(const CharProps &props) const;
    void commitFont();
    void commitColor();
    void titleText(QStringView text);
    void flushTitleBytes();
    void appendTitle(QStringView text);

    // The \title of the document's information, when the caller wants it.
    QString *m_title;
    QByteArray m_titleBytes;
    const char *m_p;
    const char *m_end;
    QTextCursor m_cursor;
    std::vector<State> m_stack;
    size_t m_overflowDepth = 0;
    int m_skipDepth = 0; // > 0: inside a skipped destination, counting its braces
    int m_ucSkip = 0; // fallback characters still to skip after \u
    bool m_starred = false;
    bool m_started = false;

    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    std::map<int, Font> m_fonts;
    int m_fontEntry = -1;
    QByteArray m_fontName;
    int m_fontEntryCodePage = 0;
    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    RtfCodePages m_codePages;
    QString m_run;
    CharProps m_runProps;
    QByteArray m_bytes;
    int m_bytesCodePage = 0;
    char16_t m_highSurrogate = 0;
    int m_pendingCells = 0;
    Qt::Alignment m_blockAlign = Qt::AlignLeft;
};

void Parser::run()
{
    while (m_p < m_end) {
        const char c = *m_p;
        if (m_skipDepth > 0) {
            if (c == '{') {
                ++m_skipDepth;
            } else if (c == '}') {
                if (--m_skipDepth == 0) {
                    closeGroup();
                    if (m_stack.size() == 1 && m_started)
                        break;
                }
            } else if (c == '\\') {
                skipControlInSkippedGroup();
                continue;
            }
            ++m_p;
            continue;
        }
        switch (c) {
        case '{':
            ++m_p;
            openGroup();
            break;
        case '}':
            ++m_p;
            closeGroup();
            // The document ends with its outermost group; whatever trails is not text.
            if (m_stack.size() == 1 && m_overflowDepth == 0 && m_started)
                return finish();
            break;
        case '\\':
            controlSequence();
            break;
        case '\r':
        case '\n':
            ++m_p;
            break;
        default:
            if (m_stack.size() > 1 || m_overflowDepth > 0)
                textBytes();
            else
                ++m_p; // nothing outside the document's group is text
        }
    }
    finish();
}

void Parser::openGroup()
{
    m_ucSkip = 0;
    m_starred = false;
    m_started = true;
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void Parser::closeGroup()
{
    m_ucSkip = 0;
    m_starred = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return;
    const Dest closing = state().dest;
    if (closing == Dest::Title)
        flushTitleBytes();
    m_stack.pop_back();
    if (closing == Dest::FontTable)
        commitFont();
}

void Parser::enterSkip()
{
    if (m_stack.size() > 1 || m_overflowDepth > 0)
        m_skipDepth = 1;
}

void Parser::skipBinary(int count)
{
    const auto left = m_end - m_p;
    m_p += count < 0 ? 0 : (count > left ? left : count);
}

// In a skipped group only braces and \bin matter: escaped braces must not count, and
// binary data must not be read as braces.
void Parser::skipControlInSkippedGroup()
{
    ++m_p;
    if (m_p >= m_end)
        return;
    if (!std::isalpha(static_cast<unsigned char>(*m_p))) {
        ++m_p;
        return;
    }
    const char *start = m_p;
    while (m_p < m_end && std::isalpha(static_cast<unsigned char>(*m_p)))
        ++m_p;
    const std::string_view word(start, size_t(m_p - start));
    long long param = 0;
    bool negative = false;
    if (m_p < m_end && *m_p == '-') {
        negative = true;
        ++m_p;
    }
    while (m_p < m_end && std::isdigit(static_cast<unsigned char>(*m_p))) {
        if (param < 1'000'000'000'000LL)
            param = param * 10 + (*m_p - '0');
        ++m_p;
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    if (word == "bin" && !negative)
        skipBinary(param > INT_MAX ? INT_MAX : int(param));
}

void Parser::controlSequence()
{
    ++m_p; // the backslash
    if (m_p >= m_end)
        return;
    const auto c = static_cast<unsigned char>(*m_p);
    if (std::isalpha(c)) {
        const char *start = m_p;
        while (m_p < m_end && std::isalpha(static_cast<unsigned char>(*m_p)))
            ++m_p;
        const std::string_view word(start, size_t(m_p - start));
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end
            && std::isdigit(static_cast<unsigned char>(m_p[1]))) {
            negative = true;
            ++m_p;
        }
        while (m_p < m_end && std::isdigit(static_cast<unsigned char>(*m_p))) {
            hasParam = true;
            if (param < 1'000'000'000'000LL)
                param = param * 10 + (*m_p - '0');
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        if (param > INT_MAX)
            param = INT_MAX;
        keyword(word, hasParam, int(negative ? -param : param));
        return;
    }

    ++m_p;
    if (c == '\'') {
        auto hex = [](char h) {
            if (h >= '0' && h <= '9')
                return h - '0';
            if (h >= 'a' && h <= 'f')
                return h - 'a' + 10;
            if (h >= 'A' && h <= 'F')
                return h - 'A' + 10;
            return -1;
        };
        if (m_end - m_p < 2 || hex(m_p[0]) < 0 || hex(m_p[1]) < 0)
            return;
        const int byte = hex(m_p[0]) * 16 + hex(m_p[1]);
        m_p += 2;
        if (m_ucSkip > 0) {
            --m_ucSkip;
            return;
        }
        addByte(static_cast<unsigned char>(byte));
        return;
    }
    if (c == '*') {
        m_starred = true;
        return;
    }
    if (m_ucSkip > 0) {
        --m_ucSkip;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        addByte(c);
        break;
    case '~':
        emitChars(u"\u00A0");
        break;
    case '_':
        emitChars(u"\u2011");
        break;
    case '\r':
    case '\n':
        paragraph();
        break;
    default:
        // "\-" marks where a word may be hyphenated; it is no character of the text.
        break;
    }
}

void Parser::keyword(std::string_view word, bool hasParam, int param)
{
    const Kw kw = rtfKeyword(word);
    if (kw == Kw::Bin) {
        skipBinary(hasParam ? param : 0);
        return;
    }
    if (m_ucSkip > 0) {
        --m_ucSkip;
        return;
    }
    if (m_starred) {
        m_starred = false;
        // An optional destination this reader does not know is skipped whole.
        if (kw != Kw::FontTable && kw != Kw::ColorTable && kw != Kw::KeepContent) {
            enterSkip();
            return;
        }
    }
    State &s = state();
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::Unknown:
    case Kw::Bin:
    case Kw::KeepContent:
        break;
    case Kw::Skip:
        enterSkip();
        break;
    case Kw::Info:
        s.dest = Dest::Info;
        break;
    case Kw::Title:
        if (s.dest == Dest::Info && m_title)
            s.dest = Dest::Title;
        else
            enterSkip();
        break;
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        m_fontEntry = -1;
        m_fontName.clear();
        break;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        m_colors.clear();
        m_colorSet = false;
        m_red = m_green = m_blue = 0;
        break;
    case Kw::Ansi:
        m_ansiCodePage = 1252;
        break;
    case Kw::Mac:
        m_ansiCodePage = 10000;
        break;
    case Kw::Pc:
        m_ansiCodePage = 437;
        break;
    case Kw::Pca:
        m_ansiCodePage = 850;
        break;
    case Kw::AnsiCpg:
        if (param > 0)
            m_ansiCodePage = param;
        break;
    case Kw::Deff:
        m_defaultFont = param;
        break;
    case Kw::Font:
        if (s.dest == Dest::FontTable) {
            commitFont();
            m_fontEntry = param;
            m_fontEntryCodePage = 0;
        } else {
            s.chars.font = param;
        }
        break;
    case Kw::FCharset:
        if (s.dest == Dest::FontTable && m_fontEntryCodePage == 0)
            m_fontEntryCodePage = RtfCodePages::codePageForCharset(param);
        break;
    case Kw::Cpg:
        if (s.dest == Dest::FontTable && param > 0)
            m_fontEntryCodePage = param;
        break;
    case Kw::Red:
        m_red = qBound(0, param, 255);
        m_colorSet = true;
        break;
    case Kw::Green:
        m_green = qBound(0, param, 255);
        m_colorSet = true;
        break;
    case Kw::Blue:
        m_blue = qBound(0, param, 255);
        m_colorSet = true;
        break;
    case Kw::Bold:
        s.chars.bold = on;
        break;
    case Kw::Italic:
        s.chars.italic = on;
        break;
    case Kw::Underline:
        s.chars.underline = on;
        break;
    case Kw::UnderlineNone:
        s.chars.underline = false;
        break;
    case Kw::Strike:
        s.chars.strike = on;
        break;
    case Kw::Hidden:
        s.chars.hidden = on;
        break;
    case Kw::FontSize:
        if (param > 0 && param <= 3276)
            s.chars.halfPoints = param;
        break;
    case Kw::Color:
        s.chars.color = param;
        break;
    case Kw::Highlight:
        s.chars.highlight = param;
        break;
    case Kw::Plain:
        s.chars = CharProps();
        break;
    case Kw::Pard:
        s.align = Qt::AlignLeft;
        break;
    case Kw::AlignLeft:
        s.align = Qt::AlignLeft;
        break;
    case Kw::AlignCenter:
        s.align = Qt::AlignHCenter;
        break;
    case Kw::AlignRight:
        s.align = Qt::AlignRight;
        break;
    case Kw::AlignJustify:
        s.align = Qt::AlignJustify;
        break;
    case Kw::Par:
    case Kw::Row:
        if (s.dest == Dest::Text)
            paragraph();
        break;
    case Kw::Line:
        emitChars(u"\u2028");
        break;
    case Kw::Tab:
        emitChars(u"\t");
        break;
    case Kw::Cell:
        // The tab goes in only when more of the row follows, so rows do not end in one.
        if (s.dest == Dest::Text)
            ++m_pendingCells;
        break;
    case Kw::Uc:
        if (hasParam)
            s.uc = qBound(0, param, 16);
        break;
    case Kw::U:
        if (hasParam) {
            unicodeChar(param);
            m_ucSkip = s.uc;
        }
        break;
    case Kw::EmDash:
        emitChars(u"\u2014");
        break;
    case Kw::EnDash:
        emitChars(u"\u2013");
        break;
    case Kw::LQuote:
        emitChars(u"\u2018");
        break;
    case Kw::RQuote:
        emitChars(u"\u2019");
        break;
    case Kw::LDblQuote:
        emitChars(u"\u201C");
        break;
    case Kw::RDblQuote:
        emitChars(u"\u201D");
        break;
    case Kw::Bullet:
        emitChars(u"\u2022");
        break;
    case Kw::EmSpace:
        emitChars(u"\u2003");
        break;
    case Kw::EnSpace:
        emitChars(u"\u2002");
        break;
    case Kw::QmSpace:
        emitChars(u"\u2005");
        break;
    case Kw::Zwj:
        emitChars(u"\u200D");
        break;
    case Kw::Zwnj:
        emitChars(u"\u200C");
        break;
    }
}

// A run of plain bytes at once: the common case, and the one that must be fast.
void Parser::textBytes()
{
    while (m_p < m_end) {
        const auto c = static_cast<unsigned char>(*m_p);
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n')
            return;
        ++m_p;
        if (m_ucSkip > 0) {
            --m_ucSkip;
            continue;
        }
        if (c == '\t')
            emitChars(u"\t");
        else if (c >= 0x20)
            addByte(c);
    }
}

void Parser::addByte(unsigned char byte)
{
    State &s = state();
    switch (s.dest) {
    case Dest::FontTable:
        if (byte == ';')
            commitFont();
        else
            m_fontName.append(char(byte));
        return;
    case Dest::ColorTable:
        if (byte == ';')
            commitColor();
        return;
    case Dest::Info:
        return;
    case Dest::Title:
        if (m_titleBytes.size() < 4000)
            m_titleBytes.append(char(byte));
        return;
    case Dest::Text:
        break;
    }
    if (s.chars.hidden)
        return;
    const int codePage = currentCodePage();
    if (!m_bytes.isEmpty() && codePage != m_bytesCodePage)
        decodePending();
    beforeOutput();
    m_bytesCodePage = codePage;
    m_bytes.append(char(byte));
}

void Parser::emitChars(QStringView text)
{
    const State &s = state();
    if (s.dest == Dest::Title)
        titleText(text);
    if (s.dest != Dest::Text || s.chars.hidden)
        return;
    beforeOutput();
    decodePending();
    m_run.append(text);
}

void Parser::unicodeChar(int value)
{
    if (value < 0)
        value += 65536;
    if (value <= 0 || value > 0xFFFF)
        return;
    const auto unit = char16_t(value);
    if (QChar::isHighSurrogate(unit)) {
        if (m_highSurrogate)
            emitChars(u"\uFFFD");
        m_highSurrogate = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (m_highSurrogate) {
            const char16_t pair[2] = { m_highSurrogate, unit };
            m_highSurrogate = 0;
            emitChars(QStringView(pair, 2));
        } else {
            emitChars(u"\uFFFD");
        }
        return;
    }
    if (value < 0x20 && value != '\t')
        return;
    // Word writes a Symbol font's characters as \u61472..\u61695, the font's own
    // private-use code points; the reader wants the real character.
    if (value >= 0xF020 && value <= 0xF0FF && currentCodePage() == RtfCodePages::kSymbol) {
        const QChar symbol = RtfCodePages::symbolChar(static_cast<unsigned char>(value - 0xF000));
        emitChars(QStringView(&symbol, 1));
        return;
    }
    const char16_t one[1] = { unit };
    emitChars(QStringView(one, 1));
}

void Parser::beforeOutput()
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        decodePending();
        m_run.append(QChar::ReplacementCharacter);
    }
    if (!(state().chars == m_runProps)) {
        flushRun();
        m_runProps = state().chars;
    }
    if (m_pendingCells > 0) {
        decodePending();
        m_run.append(QString(m_pendingCells, QLatin1Char('\t')));
        m_pendingCells = 0;
    }
}

void Parser::decodePending()
{
    if (m_bytes.isEmpty())
        return;
    m_run.append(m_codePages.decode(m_bytesCodePage, m_bytes));
    m_bytes.clear();
}

void Parser::flushRun()
{
    decodePending();
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, formatFor(m_runProps));
    m_run.clear();
}

void Parser::paragraph()
{
    flushRun();
    m_pendingCells = 0;
    m_highSurrogate = 0;
    const Qt::Alignment align = state().align;
    if (align != m_blockAlign) {
        QTextBlockFormat block = m_cursor.blockFormat();
        block.setAlignment(align);
        m_cursor.setBlockFormat(block);
    }
    m_cursor.insertBlock();
    m_blockAlign = m_cursor.blockFormat().alignment();
}

void Parser::finish()
{
    flushTitleBytes();
    flushRun();
    const Qt::Alignment align = state().align;
    if (align != m_blockAlign) {
        QTextBlockFormat block = m_cursor.blockFormat();
        block.setAlignment(align);
        m_cursor.setBlockFormat(block);
    }
    // A closing \par leaves an empty last paragraph that no reader wants to see.
    if (m_cursor.block().length() == 1 && m_cursor.block().previous().isValid())
        m_cursor.deletePreviousChar();
}

int Parser::codePageOf(int font) const
{
    const auto it = m_fonts.find(font);
    return it == m_fonts.end() ? 0 : it->second.codePage;
}

int Parser::currentCodePage() const
{
    const int font = m_stack.back().chars.font;
    const int codePage = codePageOf(font >= 0 ? font : m_defaultFont);
    return codePage > 0 ? codePage : m_ansiCodePage;
}

QTextCharFormat Parser::formatFor(const CharProps &props) const
{
    QTextCharFormat format;
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setFontUnderline(props.underline);
    format.setFontStrikeOut(props.strike);
    format.setFontPointSize(props.halfPoints / 2.0);
    const auto font = m_fonts.find(props.font >= 0 ? props.font : m_defaultFont);
    if (font != m_fonts.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList { font->second.name });
    if (props.color > 0 && size_t(props.color) < m_colors.size() && m_colors[props.color].isValid())
        format.setForeground(m_colors[props.color]);
    if (props.highlight > 0 && size_t(props.highlight) < m_colors.size()
        && m_colors[props.highlight].isValid())
        format.setBackground(m_colors[props.highlight]);
    return format;
}

void Parser::commitFont()
{
    if (m_fontEntry >= 0) {
        const int codePage = m_fontEntryCodePage > 0 ? m_fontEntryCodePage : m_ansiCodePage;
        Font &font = m_fonts[m_fontEntry];
        const QString name =
            m_codePages
                .decode(codePage == RtfCodePages::kSymbol ? m_ansiCodePage : codePage, m_fontName)
                .trimmed();
        if (!name.isEmpty())
            font.name = name;
        // Only the Symbol font's layout is known; other symbol fonts keep their bytes.
        font.codePage = m_fontEntryCodePage;
        if (font.codePage == RtfCodePages::kSymbol
            && font.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) != 0)
            font.codePage = 0;
    }
    m_fontEntry = -1;
    m_fontName.clear();
    m_fontEntryCodePage = 0;
}

void Parser::flushTitleBytes()
{
    if (m_titleBytes.isEmpty())
        return;
    const QString decoded = m_codePages.decode(currentCodePage(), m_titleBytes);
    m_titleBytes.clear();
    appendTitle(decoded);
}

void Parser::titleText(QStringView text)
{
    flushTitleBytes();
    appendTitle(text);
}

void Parser::appendTitle(QStringView text)
{
    // A title is a line; a file that pours a book into it gets the first of it.
    constexpr qsizetype kLongest = 1000;
    if (m_title && m_title->size() < kLongest)
        m_title->append(text.first(std::min(text.size(), kLongest - m_title->size())));
}

void Parser::commitColor()
{
    // A colour table is small; a garbage file full of ";" must not make it huge.
    if (m_colors.size() < 4096)
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

} // namespace

bool RtfImporter::looksLikeRtf(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()
           && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

bool RtfImporter::import(const QByteArray &rtf, QTextDocument *doc, QString *title)
{
    if (!doc || !looksLikeRtf(rtf))
        return false;
    if (title)
        title->clear();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    {
        Parser parser(rtf, doc, title);
        QTextCursor batch(doc);
        batch.beginEditBlock();
        parser.run();
        batch.endEditBlock();
    }
    doc->setUndoRedoEnabled(undo);
    if (title)
        *title = title->simplified();
    return true;
}

QString RtfImporter::plainText(const QByteArray &rtf)
{
    QTextDocument doc;
    if (!import(rtf, &doc))
        return {};
    return doc.toPlainText();
}
