// The graph frame of one channel: the response picture, the level scale to
// its right and the frequency scale under it.

#include "editor/EditorLayout.h"
#include "editor/EditorParts.h"
#include "editor/FrmEq.h"
#include "graph/GraphPicture.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>

namespace ksr {

namespace {

using layout::ArrayName;

constexpr int ScaleLabelHeight = 195;
constexpr std::array<const char *, 7> LevelTexts = {"+10", " 0", "-10", "-20", "-30", "-40", "-50"};
constexpr std::array<int, 7> LevelTops = {240, 600, 1080, 1560, 2040, 2520, 3000};
// The x of the 1 kHz grid line in the picture.
constexpr double OneKiloHertzX = 326.0;

QString FrequencyScaleText()
{
    return QStringLiteral("20Hz") + QString(52, QLatin1Char(' ')) + QStringLiteral("100Hz") +
           QString(84, QLatin1Char(' ')) + QStringLiteral("1KHz") + QString(84, QLatin1Char(' ')) +
           QStringLiteral("10KHz");
}

// The scale font, `scale` times its size, spaced so that the names of the
// frequency scale stand under their grid lines whatever the face: "1KHz" is
// centred under the 1 kHz line, and the other names then fall under theirs.
QFont FrequencyScaleFont(const QString &text, double scale = 1.0)
{
    QFont font = layout::ScaleFont();
    font.setPointSizeF(font.pointSizeF() * scale);
    const QFontMetricsF metrics(font);
    const QString name = QStringLiteral("1KHz");
    const QString before = text.left(text.indexOf(name));
    const double centre = metrics.horizontalAdvance(before) + metrics.horizontalAdvance(name) / 2;
    const double glyphs = static_cast<double>(before.size()) + static_cast<double>(name.size()) / 2;
    font.setLetterSpacing(QFont::AbsoluteSpacing, (OneKiloHertzX * scale - centre) / glyphs);
    return font;
}

} // namespace

void BuildGraphFrame(FrmEq &editor, ResponseGraph &graph, int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    QGroupBox *frame = editor.GraphFrame[c];

    auto *picture = new GraphPicture(graph, channel, frame);
    picture->setObjectName(ArrayName("Picture1", channel));
    picture->move(layout::Px(120), layout::Px(240));
    editor.Picture1[c] = picture;

    const QFont scaleFont = layout::ScaleFont();
    for (std::size_t k = 0; k < LevelTexts.size(); ++k) {
        const int index = 8 * channel + static_cast<int>(k);
        QLabel *label = layout::AddLabel(frame, ArrayName("Label4", index), QString::fromLatin1(LevelTexts[k]),
                                         QRect(8760, LevelTops[k], 255, ScaleLabelHeight));
        label->setFont(scaleFont);
        editor.Label4[static_cast<std::size_t>(index)] = label;
    }

    const int index = 8 * channel + 7;
    const QString text = FrequencyScaleText();
    QLabel *frequencies =
        layout::AddLabel(frame, ArrayName("Label4", index), text, QRect(120, 3120, 8655, ScaleLabelHeight));
    frequencies->setFont(FrequencyScaleFont(text));
    editor.Label4[static_cast<std::size_t>(index)] = frequencies;
}

void ScaleFrequencyScales(FrmEq &editor, double scale)
{
    for (int channel = 0; channel < 2; ++channel) {
        QLabel *frequencies = editor.Label4[static_cast<std::size_t>(8 * channel + 7)];
        frequencies->setFont(FrequencyScaleFont(frequencies->text(), scale));
    }
}

} // namespace ksr
