#include "app/app_state.h"

#include "app/text.h"

namespace farrow::app {

std::string mainCaption(const AppState& state) {
    return format("%s %d Sites Available", state.branding.productName.c_str(), state.siteCount);
}

}  // namespace farrow::app
