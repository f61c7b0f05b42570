// Every translated text of both programs can be drawn with the installed fonts: each of their
// characters, laid out in the application's font with Qt's font fallback (as menus and dialogs
// draw it), comes out as a real glyph, not as the empty box of a missing one.
#include <QApplication>
#include <QFile>
#include <QGlyphRun>
#include <QStringList>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// The characters of every <translation> (numerus forms included) of a Qt translation source.
QString FL_translatedCharacters(const QString& iPath)
{
    QFile file(iPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << iPath.toStdString();
    QString characters;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("translation"))
            continue;
        for (const QChar c : xml.readElementText(QXmlStreamReader::IncludeChildElements))
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
    bool drawn = !runs.isEmpty();
    for (const QGlyphRun& run : runs)
        drawn = drawn && !run.glyphIndexes().isEmpty() && !run.glyphIndexes().contains(0);
    return drawn;
}

TEST(TranslationFonts, EveryTranslatedCharacterDraws)
{
    for (const char* path : {VISTREL_TS, BRENMOOR_TS}) {
        const QString characters = FL_translatedCharacters(QString::fromUtf8(path));
        // Guards against a misread file passing for one without texts.
        EXPECT_GT(characters.size(), 100) << path;
        QStringList missing;
        for (const QChar c : characters)
            if (!FL_draws(c))
                missing << QString(c) + QStringLiteral(" (U+%1)").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        EXPECT_TRUE(missing.isEmpty()) << path << ": no glyph in any installed font for "
                                       << missing.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
