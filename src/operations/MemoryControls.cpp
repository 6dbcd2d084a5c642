#include "operations/MemoryControls.h"

namespace ksr {

MemoryControls::MemoryControls()
{
    text1.fill(QStringLiteral("-45"));
    text2.fill(QStringLiteral("20000"));
    text3.fill(QStringLiteral("1/70"));
    rowEnabled.fill(true);
    for (auto &texts : settingTexts)
        texts = {QStringLiteral("11"), QStringLiteral("1/70"), QStringLiteral("Variable"),
                 QStringLiteral("Slow"), QStringLiteral("Sharp"), QStringLiteral("Text4")};
}

} // namespace ksr
