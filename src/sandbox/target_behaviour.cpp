#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

const std::vector<TargetRoute>& targetRoutes() {
    static const std::vector<TargetRoute> routes = {
        {Behaviour::Accepts, "/accept", "accepts"},
        {Behaviour::RepeatUrl, "/repeat", "answers ERROR: Repeat URL"},
        {Behaviour::RejectsUrl, "/reject-url", "names the URL in an ERROR"},
        {Behaviour::NotFound, "/missing", "answers 404"},
        {Behaviour::ServerError, "/broken", "answers 500"},
        {Behaviour::Redirects, "/moved", "redirects to /accept"},
        {Behaviour::Slow, "/slow", "answers slowly"},
        {Behaviour::Stalls, "/stall", "stalls mid-reply"},
        {Behaviour::Silent, "/silent", "never answers"},
    };
    return routes;
}

const TargetRoute& routeFor(Behaviour behaviour) {
    for (const TargetRoute& route : targetRoutes()) {
        if (route.behaviour == behaviour) {
            return route;
        }
    }
    return targetRoutes().front();
}

}  // namespace farrow::sandbox
