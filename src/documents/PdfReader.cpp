#include "documents/PdfReader.h"

#include "base/cSharedLang.h"

#include <QFile>

#include <poppler-qt6.h>

#include <algorithm>

namespace {

// Pages read at opening to learn the running heads and feet and to tell a scan.
constexpr int kSamplePages = 24;
// Outline entries past this are not headings anyone navigates (and bound a hostile file).
constexpr qsizetype kMaxOutline = 20000;
constexpr int kMaxOutlineDepth = 9;

void quiet(const QString &, const QVariant &) { }

// Poppler reports every oddity of a malformed file on standard error; Orlin reports the
// outcome instead.
void silencePoppler()
{
    static const bool done = [] {
        Poppler::setDebugErrorFunction(quiet, QVariant());
        return true;
    }();
    (void)done;
}

QString scanned()
{
    return Lang().GetTranslation(
        QStringLiteral("The PDF has no text to read: it is probably a scan of printed pages."));
}

} // namespace

PdfReader::PdfReader() = default;
PdfReader::~PdfReader() = default;

FormatText PdfReader::open(const QString &path, const QByteArray &password)
{
    silencePoppler();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FormatText::failed(FormatText::Outcome::Unreadable);
    file.close();
    m_document = Poppler::Document::load(path, password, password);
    return opened(password);
}

FormatText PdfReader::openData(const QByteArray &bytes, const QByteArray &password)
{
    silencePoppler();
    m_document = Poppler::Document::loadFromData(bytes, password, password);
    return opened(password);
}

FormatText PdfReader::opened(const QByteArray &password)
{
    m_sampled.clear();
    m_outline.clear();
    m_nextTarget = 0;
    m_layout = PdfLayout();
    if (!m_document)
        return FormatText::failed(FormatText::Outcome::Damaged);
    if (m_document->isLocked()) {
        m_document.reset();
        return FormatText::failed(password.isEmpty() ? FormatText::Outcome::NeedsPassword
                                                     : FormatText::Outcome::WrongPassword);
    }
    const int pages = m_document->numPages();
    if (pages <= 0) {
        m_document.reset();
        return FormatText::failed(FormatText::Outcome::Damaged);
    }

    // The first pages, and pages spread over the rest of a long document.
    QList<int> sample;
    for (int i = 0; i < std::min(pages, kSamplePages / 2); ++i)
        sample.append(i);
    const int spread = kSamplePages - int(sample.size());
    for (int k = 1; k <= spread && pages > kSamplePages / 2; ++k) {
        const int index =
            kSamplePages / 2 + int(qint64(pages - kSamplePages / 2) * k / (spread + 1));
        if (index < pages && !sample.contains(index))
            sample.append(index);
    }
    QList<PdfLayout::Page> lines;
    bool anyText = false;
    for (int index : std::as_const(sample)) {
        PdfLayout::Page page = pageLines(index);
        anyText = anyText || !page.lines.isEmpty();
        lines.append(page);
        if (index < kSamplePages / 2)
            m_sampled.insert(index, std::move(page));
    }
    if (!anyText) {
        m_document.reset();
        return FormatText::failed(FormatText::Outcome::NoText, scanned());
    }
    m_layout.learnRunningLines(lines);
    collectOutline();

    FormatText result;
    result.title = m_document->info(QStringLiteral("Title")).simplified();
    return result;
}

int PdfReader::pageCount() const
{
    return m_document ? m_document->numPages() : 0;
}

PdfLayout::Page PdfReader::pageLines(int index) const
{
    PdfLayout::Page result;
    std::unique_ptr<Poppler::Page> page(m_document->page(index));
    if (!page)
        return result;
    result.size = page->pageSizeF();
    const auto words = page->textList();
    PdfLayout::Line line;
    for (size_t i = 0; i < words.size(); ++i) {
        const Poppler::TextBox *word = words[i].get();
        if (line.text.isEmpty())
            line.box = word->boundingBox();
        else
            line.box = line.box.united(word->boundingBox());
        line.text += word->text();
        const bool lineGoesOn = i + 1 < words.size() && word->nextWord() == words[i + 1].get();
        if (lineGoesOn) {
            if (word->hasSpaceAfter())
                line.text += QLatin1Char(' ');
            continue;
        }
        line.text = PdfLayout::logicalOrder(line.text);
        result.lines.append(std::move(line));
        line = PdfLayout::Line();
    }
    return result;
}

void PdfReader::collectOutline()
{
    // Depth first, in the outline's order; each level's entries kept with their targets.
    struct Pending
    {
        QVector<Poppler::OutlineItem> items;
        qsizetype next = 0;
    };
    QList<Pending> stack { { m_document->outline(), 0 } };
    while (!stack.isEmpty() && m_outline.size() < kMaxOutline) {
        Pending &top = stack.back();
        if (top.next >= top.items.size()) {
            stack.removeLast();
            continue;
        }
        const Poppler::OutlineItem item = top.items[top.next++];
        const int level = int(stack.size());
        const auto destination = item.destination();
        if (destination && destination->pageNumber() >= 1) {
            double topShare = 0;
            if (destination->isChangeTop())
                topShare = std::clamp(destination->top(), 0.0, 1.0);
            m_outline.append({ item.name().simplified(), std::min(level, kMaxOutlineDepth),
                               destination->pageNumber() - 1, topShare });
        }
        if (item.hasChildren() && stack.size() < kMaxOutlineDepth * 4)
            stack.append({ item.children(), 0 });
    }
    // In page order, so pages read one after another meet their headings in turn.
    std::stable_sort(m_outline.begin(), m_outline.end(), [](const Target &a, const Target &b) {
        return a.page != b.page ? a.page < b.page : a.top < b.top;
    });
}

void PdfReader::readPages(int first, int count, FormatText &result)
{
    if (!m_document)
        return;
    const int last = std::min(pageCount(), first + count);
    for (int index = first; index < last; ++index) {
        const auto cached = m_sampled.constFind(index);
        const PdfLayout::Page page = cached != m_sampled.cend() ? *cached : pageLines(index);
        m_sampled.remove(index);
        const qsizetype pageStart = result.text.size();
        QList<qsizetype> positions;
        m_layout.appendPage(page, result.text, &positions);

        // Entries for pages before this one (or never met) are placed where reading is.
        while (m_nextTarget < m_outline.size() && m_outline[m_nextTarget].page <= index) {
            const Target &target = m_outline[m_nextTarget++];
            qsizetype position = pageStart;
            if (target.page == index) {
                const double h = page.size.height() > 0 ? page.size.height() : 792;
                for (qsizetype i = 0; i < page.lines.size(); ++i) {
                    if (positions[i] >= 0 && page.lines[i].box.bottom() >= target.top * h) {
                        position = positions[i];
                        break;
                    }
                }
            }
            if (!target.text.isEmpty())
                result.headings.append(
                    { target.text, target.level, std::min(position, result.text.size()) });
        }
    }
}

void PdfReader::finish(FormatText &result)
{
    m_layout.finish(result.text);
}

FormatText PdfReader::readAll(FormatText opened)
{
    if (!opened.read())
        return opened;
    readPages(0, pageCount(), opened);
    finish(opened);
    if (opened.text.trimmed().isEmpty())
        return FormatText::failed(FormatText::Outcome::NoText, scanned());
    return opened;
}

FormatText PdfReader::read(const QString &path, const QByteArray &password)
{
    PdfReader reader;
    return reader.readAll(reader.open(path, password));
}

FormatText PdfReader::readData(const QByteArray &bytes, const QByteArray &password)
{
    PdfReader reader;
    return reader.readAll(reader.openData(bytes, password));
}
