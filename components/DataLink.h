// The data-field link the data-aware components use. The platform has no data sets yet, so
// a data source is anything that can name a field's display label.
#pragma once

#include "Classes.h"

#include <map>
#include <string>
#include <string_view>

class IFieldLabelSource {
public:
    virtual ~IFieldLabelSource() = default;
    // The display label of the field of that name; false when the data set has none.
    virtual bool FieldDisplayLabel(std::string_view field, std::string& label) const = 0;
};

// A data source over a fixed list of fields (name -> display label).
class TKtDataSource : public TComponent, public IFieldLabelSource {
    STEWARD_CLASS(TKtDataSource, TComponent)
    explicit TKtDataSource(TComponent* owner) : TComponent(owner) {}
    void AddField(const std::string& name, const std::string& displayLabel) {
        fields_[name] = displayLabel;
    }
    bool FieldDisplayLabel(std::string_view field, std::string& label) const override;

private:
    std::map<std::string, std::string, std::less<>> fields_;
};
