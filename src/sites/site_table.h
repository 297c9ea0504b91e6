#pragma once

#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace farrow::sites {

inline constexpr std::size_t kFieldCount = 34;
inline constexpr std::size_t kCategorySlots = 300;
inline constexpr std::size_t kMaxSites = 5000;

// Positions of `SiteRecord::fields`.
enum Field : std::size_t {
    kName = 0,
    kSubmitUrl = 2,
    kMethod = 3,
    kFirstKeywordField = 4,  // keywords 1-12 at 4-15
    kDescriptionField = 16,
    kTitleField = 17,
    kUrlField = 18,
    kEmailField = 19,
    kCompanyField = 20,
    kFirstNameField = 21,
    kLastNameField = 22,
    kStreetField = 23,
    kCityField = 24,
    kStateField = 25,
    kProvinceField = 26,
    kPostalCodeField = 27,
    kPhoneField = 28,
    kFaxField = 29,
    kPhone2Field = 30,
    kReferer = 31,
    kSearchUrl = 32,
    kExtraParams = 33,
};

// Category block slots: slot 1 names the form field, slots 2 onward are the categories.
inline constexpr std::size_t kCategoryFieldSlot = 1;
inline constexpr std::size_t kFirstCategorySlot = 2;

// One target site of the sites database.
struct SiteRecord {
    std::array<std::string, kFieldCount> fields;
    int isComplex = 0;
    // Only the filled slots are stored; every later slot of the 300 is empty.
    std::vector<std::string> categoryBlock;
    std::string chosenCategory = "NULL";

    const std::string& name() const { return fields[kName]; }
    const std::string& categorySlot(std::size_t slot) const;
    // A site takes a category when it is complex and its first category is not "NULL".
    bool takesCategory() const;
};

// All records in file order. A deque keeps records in place, so pointers stay valid.
class SiteTable final {
public:
    void append(SiteRecord record) { records_.push_back(std::move(record)); }
    void clear() { records_.clear(); }
    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }

    // The first record whose name equals `name` exactly, or nullptr.
    SiteRecord* find(std::string_view name);
    const SiteRecord* find(std::string_view name) const;

    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }
    SiteRecord& operator[](std::size_t i) { return records_[i]; }
    const SiteRecord& operator[](std::size_t i) const { return records_[i]; }

private:
    std::deque<SiteRecord> records_;
};

}  // namespace farrow::sites
