#include "documents/DocumentReadAhead.h"

#include "documents/DocumentLoader.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

// What is read ahead is exactly what the loader makes of the file; whatever the loader
// would have to say something about, or reads with another reader, is left to it.
TEST(DocumentReadAhead, ReadsTextAndHtmlAsTheLoaderDoesAndLeavesTheRest)
{
    TempProgramFolder folder;
    QByteArray book;
    for (int i = 0; i < 20'000; ++i)
        book += "Line " + QByteArray::number(i) + " of a book, caf\xc3\xa9 and <em>all</em>.\r\n";
    folder.writeBytes("book.txt", book);
    folder.writeBytes("page.html",
                      "<html lang=\"de\"><head><title>Der Titel</title></head>"
                      "<body><p>Erster&nbsp;Satz.<br>Zweiter.</body></html>");
    folder.writeBytes("wide.txt", QByteArray("\xff\xfeW\0i\0d\0e\0", 10));
    folder.writeBytes("empty.txt", "");
    folder.writeBytes("doc.rtf", "{\\rtf1 Body\\par}");
    folder.writeBytes("pdf.txt", "%PDF-1.4 not a text at all");
    const struct
    {
        QString path;
        bool readAhead;
    } cases[] = {
        { folder.file("book.txt"), true },     { folder.file("page.html"), true },
        { folder.file("wide.txt"), true },     { folder.file("empty.txt"), true },
        { folder.file("doc.rtf"), false },     { folder.file("pdf.txt"), false },
        { folder.file("missing.txt"), false }, { folder.path(), false },
    };
    for (const auto &c : cases) {
        DocumentReadAhead ahead(c.path);
        std::optional<Document> read = ahead.take(c.path);
        EXPECT_EQ(read.has_value(), c.readAhead) << qPrintable(c.path);
        EXPECT_FALSE(ahead.take(c.path)) << "taken once";
        if (!read)
            continue;
        const Document loaded = DocumentLoader::Load(c.path);
        EXPECT_EQ(read->text, loaded.text) << qPrintable(c.path);
        EXPECT_EQ(read->path, loaded.path);
        EXPECT_EQ(read->title, loaded.title);
        EXPECT_EQ(read->language, loaded.language);
        EXPECT_EQ(read->encoding, loaded.encoding);
    }

    // Another file is not the one read ahead; going away without a take waits for the worker.
    DocumentReadAhead ahead(folder.file("book.txt"));
    EXPECT_FALSE(ahead.take(folder.file("page.html")));
    DocumentReadAhead untaken(folder.file("book.txt"));
}
