#include "DataLink.h"

#include "TypInfo.h"

STEWARD_REGISTER_CLASS(TKtDataSource, [](auto&) {});

bool TKtDataSource::FieldDisplayLabel(std::string_view field, std::string& label) const {
    for (const auto& [name, display] : fields_)
        if (SameIdent(name, field)) {
            label = display;
            return true;
        }
    return false;
}
