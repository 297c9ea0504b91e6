#include "keywords/smart_match_table.h"

#include "base/text.h"

namespace farrow::keywords {

namespace {

// `text` equals `word` or is its start, without regard to the case of A-Z.
bool fits(std::string_view text, std::string_view word) {
    return base::startsWithIgnoringCase(word, text);
}

bool rowIsHit(const SmartMatchTable::Row& row, std::string_view keyword) {
    for (const std::string& word : row) {
        if (fits(keyword, word)) {
            return true;
        }
    }
    return false;
}

}  // namespace

SmartMatchTable SmartMatchTable::standard() {
    SmartMatchTable t;
    t.rows_ = {
        {"AIRCRAFT", "PLANE", "WING", "JET", "AIRLINE", "PROPELLER", "FUSELAGE", "AIRFOIL",
         "COKPIT"},
        {"APPLIANCES", "REFRIGERATOR", "DISHWASHER", "DRYER", "COFFEE", "MIXER", "BLENDER",
         "FREEZER", "MICROWAVE"},
        {"BAKKIES"},
        {"BEAUTY CARE"},
        {"BOATS", "ANCHOR", "HELM", "GALLEY", "TILLER", "SAIL", "MAST", "NAUTICAL", "MARINE",
         "WHARF", "LIGHTHOUSE"},
        {"BOOKS", "LIBRARY", "STORY", "HOW-TO", "BOOKSTORE", "REFERENCE", "TEXTBOOK"},
        {"BUILDING", "CONSTRUCTION", "ARCHITECTURE"},
        {"BUSINESS", "COMMERCE", "COMPANY", "INC", "CO.", "STORE", "OPPORTUNITY", "ACCOUNTING",
         "SALES", "CONSULT"},
        {"CAMPING", "TENT", "CAMP"},
        {"CARAVANS"},
        {"CATERING", "FOOD", "CARTERER", "CATER", "PARTY"},
        {"CLOTHING", "TEXTILES"},
        {"COINS", "CURRENCY", "MONEY"},
        {"COMPUTER HARDWARE", "SYSTEMS", "HARDWARE", "HARD DRIVE", "PRINTER", "MONITOR",
         "DISK DRIVE"},
        {"COMPUTER SOFTWARE", "SOFTWARE", "PROGRAM", "SPREADSHEET", "WORD PROCESSOR", "DATABASE",
         "OPERATING SYSTEM"},
        {"COPIERS", "XEROX"},
        {"ELECTRICITY"},
        {"ELECTRONICS"},
        {"FLATS", "APARTMENT", "TOWNHOUSES"},
        {"FURNITURE"},
        {"GARDENING"},
        {"HANDCRAFT"},
        {"HIFI", "STEREO"},
        {"HOLIDAY", "HOLIDAY ACCOMODATION"},
        {"HOUSES", "REALATOR", "INTERIOR DECORATING"},
        {"JEWELLERY", "JEWELRY", "RING", "NECKLACE", "BROOCH", "WATCH", "PENDANT", "BRACELET",
         "CHARM"},
        {"JOBS", "HELP WANTED", "CLASSIFIED"},
        {"LIFTS", "ELEVATOR", "DUMBWAITER"},
        {"LIVESTOCK", "SWINE", "CHICKEN", "COW", "BULL", "BOAR", "SOW", "EWE", "RAM", "SHEEP",
         "POULTRY", "EMU", "HORSE", "MARE", "DAME", "STUD", "STALLION"},
        {"MACHINERY"},
        {"MEDICAL AIDS", "PACEMAKER"},
        {"GENERAL", "MISCELLANEOUS", "MISC", "OTHER", "PERSONAL"},
        {"PAINTINGS", "ART"},
        {"PERSONALS", "PERSONAL AD"},
        {"PHOTGRAPH", "LENS", "FLASH BULB", "SLR"},
        {"PLUMBING", "PIPE", "PVC", "LEAD", "COPPER"},
        {"POOLS"},
        {"POTTERY", "KILN"},
        {"SANITARYWARE"},
        {"SAUNA"},
        {"SECURITY", "ALARM"},
        {"SPARE PARTS", "JUNK"},
        {"SPECIAL SERVICES"},
        {"SPORTS", "VOLLYEBALL", "TENNIS", "SCUBA", "S.C.U.B.A.", "HOCKEY", "SOCCER", "BASKETBALL",
         "FOOTBAL", "LACROSSE", "SURFING", "ROLLERBLADE", "SKATING", "SKI", "CYCLING"},
        {"STAMPS"},
        {"STANDS"},
        {"TV"},
        {"TRAILER", "MOBILE HOME"},
        {"TUITION", "FINANCIAL AID", "EDUCATION"},
        {"VIDEO"},
        {"WEDDING"},
        {"RECREATION", "ENTERTAINMENT", "GAMES", "MUSIC", "HOBBIES"},
        {"TECHNICAL", "ENGINEER", "CAD", "C.A.D.", "CAM", "C.A.M.", "ELECTRONIC"},
        {"GOVERNMENT", "MILITARY", "FEDERAL", "GOVT", "GOV'T"},
    };
    return t;
}

std::string smartMatchCategory(const SmartMatchTable& table, std::string_view keyword,
                               const sites::SiteRecord& site) {
    for (const SmartMatchTable::Row& row : table.rows()) {
        if (!rowIsHit(row, keyword)) {
            continue;
        }
        // The site's order decides among its values, whichever word of the row they fit.
        for (std::size_t slot = sites::kFirstCategorySlot; slot < site.categoryBlock.size();
             ++slot) {
            const std::string& value = site.categoryBlock[slot];
            if (value == "NULL") {
                break;
            }
            for (const std::string& word : row) {
                if (fits(value, word)) {
                    return value;
                }
            }
        }
    }
    return std::string(keyword);
}

}  // namespace farrow::keywords
