// Document text as Flite reads it aloud: the library's tokenizer on any bytes a document
// may hold, and the word marks Orlin places from its tokens. Every mark must name a
// stretch of the text given, in order, and come with the audio before it.
#include "platform/FliteSynthesizer.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class CheckedOutput : public SampleOutput
{
public:
    explicit CheckedOutput(qsizetype length)
        : m_length(length)
    {
    }
    bool audio(const short *, qsizetype count) override
    {
        if (count < 0)
            std::abort();
        return true;
    }
    void word(qsizetype position, qsizetype length) override
    {
        if (position < m_last || length <= 0 || position + length > m_length)
            std::abort();
        m_last = position;
    }
    bool wantsWords() const override { return true; }

private:
    qsizetype m_length;
    qsizetype m_last = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool started = [] {
        QString error;
        return FliteSynthesizer::initialiseLibrary(&error);
    }();
    // A sentence's worth: the reader never gives Flite more than a piece at once.
    if (!started || size > 600)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckedOutput out(text.size());
    FliteSynthesizer::synthesise("kal", 450, 0, text, 0, out);
    return 0;
}
