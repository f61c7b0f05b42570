// Every translated text of both programs can be drawn with the installed fonts: each of their
// characters, laid out in the application's font with Qt's font fallback (as menus and dialogs
// draw it), comes out as a real glyph, not as the empty box of a missing one.
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QStringList>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// The characters of every <translation> (numerus forms included) of a Qt translation source.
QString FL_translatedCharacters(const QString& iPath, int* oTexts)
{
    QFile file(iPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << iPath.toStdString();
    QString characters;
    *oTexts = 0;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("translation"))
            continue;
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        *oTexts += text.isEmpty() ? 0 : 1;
        for (const QChar c : text)
            if (!c.isSpace() && !c.isNonCharacter() && c.category() != QChar::Other_Control && !characters.contains(c))
                characters += c;
    }
    EXPECT_FALSE(xml.hasError()) << iPath.toStdString() << ": " << xml.errorString().toStdString();
    return characters;
}

bool FL_draws(const QChar iCharacter)
{
    QTextLayout layout(QString(iCharacter), QApplication::font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty())
        return false;
    for (const QGlyphRun& run : runs)
        if (run.glyphIndexes().isEmpty() || run.glyphIndexes().contains(0))
            return false;
    return true;
}

TEST(TranslationFonts, EveryTranslatedCharacterDraws)
{
    EXPECT_FALSE(QFontDatabase().families(QFontDatabase::Japanese).isEmpty())
        << "No installed font supports the Japanese writing system.";
    for (const char* path : {VISTREL_TS, BRENMOOR_TS}) {
        int texts = 0;
        const QString characters = FL_translatedCharacters(QString::fromUtf8(path), &texts);
        // Guards against a misread file passing for one without texts.
        EXPECT_GT(texts, 100) << path;
        QStringList missing;
        for (const QChar c : characters)
            if (!FL_draws(c))
                missing << QString(c) + QStringLiteral(" (U+%1)").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        EXPECT_TRUE(missing.isEmpty()) << path << ": " << missing.size() << " of " << characters.size()
                                       << " characters have no glyph in any installed font: "
                                       << missing.mid(0, 20).join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
