#pragma once

#include <array>
#include <string>
#include <vector>

namespace farrow::profile {

inline constexpr std::size_t kKeywordCount = 16;

// One chosen target site and the category chosen for it.
struct SelectedSite {
    std::string siteName;
    bool takesCategory = false;
    // Meaningful only when the site takes a category.
    std::string category;
};

// Everything the user enters about the one web site to be announced. Text fields are single
// lines; the main window holds them and is read into this record when needed.
struct SubmissionProfile {
    std::string url;
    std::string title;
    std::string description;
    std::string lastName;
    std::string firstName;
    std::string email;
    std::string company;
    std::string street1;
    std::string street2;
    std::string city;
    std::string state;
    std::string postalCode;
    std::string province;
    std::string phone;
    std::string fax;
    // Keyword 1 is the most important.
    std::array<std::string, kKeywordCount> keywords;

    bool adult = false;
    bool smartMatch = false;
    bool deep = false;

    std::vector<SelectedSite> selectedSites;
};

}  // namespace farrow::profile
