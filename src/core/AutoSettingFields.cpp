#include "core/AutoSettingFields.h"

namespace ksr {

QString SettingShownText(SettingControl control, int position)
{
    const AutoSettingField &field = FieldOf(control);
    return field.texts.empty() ? QString::number(position + 1) : TableText(field.texts, position);
}

} // namespace ksr
