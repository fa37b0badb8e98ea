#include "talvex/calibration/fitting/fit_fields.hpp"

#include "talvex/language.hpp"

namespace talvex::calibration::fitting {

const std::string* fieldText(const Fields& fields, std::string_view name) {
    for (const auto& f : fields)
        if (f.name == name) return &f.text;
    return nullptr;
}

bool setFieldText(Fields& fields, std::string_view name, std::string text) {
    for (auto& f : fields)
        if (f.name == name) {
            f.text = std::move(text);
            return true;
        }
    return false;
}

std::string fitRefusalText(FitStatus status) {
    return GetText(status == FitStatus::Singular ? "IDS_Fit_Singular" : "IDS_Fit_NotFinite");
}

}  // namespace talvex::calibration::fitting
