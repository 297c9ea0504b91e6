#include "sandbox/target_routes.h"

#include <algorithm>
#include <string>

#include "base/text.h"
#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

constexpr const char* kHtml = "text/html";

std::string page(const std::string& title, const std::string& body) {
    return "<html>\n<head><title>" + title + "</title></head>\n<body>\n" + body +
           "\n</body>\n</html>\n";
}

const std::string& acceptedPage() {
    static const std::string text =
        page("Thank you", "<h1>Thank you!</h1>\n<p>Your site has been added to our index.</p>");
    return text;
}

// Both methods get the same behaviour; a target's form does not care how it is reached.
void serve(httplib::Server& server, const std::string& path, const httplib::Server::Handler& h) {
    server.Get(path, h);
    server.Post(path, h);
}

void addRoute(httplib::Server& server, Behaviour behaviour, const RouteSettings& settings,
              const StopSignal& stop) {
    const std::string& path = routeFor(behaviour).path;
    switch (behaviour) {
        case Behaviour::Accepts:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.set_content(acceptedPage(), kHtml);
            });
            break;
        case Behaviour::RepeatUrl:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.set_content(page("Already listed",
                                     "<p>ERROR: Repeat URL</p>\n"
                                     "<p>This site is in our index already.</p>"),
                                kHtml);
            });
            break;
        case Behaviour::RejectsUrl:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.set_content(page("Submission refused",
                                     "<p>Sorry, your URL is in ERROR: we could not reach it.</p>"),
                                kHtml);
            });
            break;
        case Behaviour::NotFound:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.status = 404;
                res.set_content(page("Not Found", "<p>There is no such form here.</p>"), kHtml);
            });
            break;
        case Behaviour::ServerError:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.status = 500;
                res.set_content(page("Internal Server Error", "<p>The form script crashed.</p>"),
                                kHtml);
            });
            break;
        case Behaviour::Redirects:
            serve(server, path, [](const httplib::Request&, httplib::Response& res) {
                res.status = 302;
                res.set_header("Location", routeFor(Behaviour::Accepts).path);
                res.set_content(page("Moved", "<p>This form has moved to /accept.</p>"), kHtml);
            });
            break;
        case Behaviour::Slow:
            serve(server, path,
                  [&settings, &stop](const httplib::Request&, httplib::Response& res) {
                      res.set_chunked_content_provider(kHtml, [&settings, &stop](
                                                                  std::size_t,
                                                                  httplib::DataSink& sink) {
                          const std::string& text = acceptedPage();
                          const std::size_t pieces = static_cast<std::size_t>(settings.slowPieces);
                          const std::size_t size = (text.size() + pieces - 1) / pieces;
                          for (std::size_t at = 0; at < text.size(); at += size) {
                              if (at > 0 && stop.waitFor(settings.slowStep)) {
                                  return false;
                              }
                              if (!sink.write(text.data() + at, std::min(size, text.size() - at))) {
                                  return false;
                              }
                          }
                          sink.done();
                          return true;
                      });
                  });
            break;
        case Behaviour::Stalls:
            serve(server, path,
                  [&settings, &stop](const httplib::Request&, httplib::Response& res) {
                      res.set_chunked_content_provider(
                          kHtml, [&settings, &stop](std::size_t, httplib::DataSink& sink) {
                              const std::string start =
                                  "<html>\n<head><title>Processing</title></head>\n"
                                  "<body>\n<p>Processing your submission";
                              sink.write(start.data(), start.size());
                              // The rest never comes: the client gives up, or the sandbox stops.
                              stop.waitFor(settings.holdLimit);
                              return false;
                          });
                  });
            break;
        case Behaviour::Silent:
            serve(server, path,
                  [&settings, &stop](const httplib::Request&, httplib::Response& res) {
                      stop.waitFor(settings.holdLimit);
                      res.status = 503;
                  });
            break;
    }
}

}  // namespace

std::string htmlEscaped(const std::string& text) {
    return base::escapeMarkup(text, "&#39;");
}

std::string requestHost(const httplib::Request& req) {
    const std::string given = req.get_header_value("Host");
    return given.empty() ? "127.0.0.1" : given;
}

void addTargetRoutes(httplib::Server& server, const RouteSettings& settings,
                     const StopSignal& stop) {
    for (const TargetRoute& route : targetRoutes()) {
        addRoute(server, route.behaviour, settings, stop);
    }
    server.Get(kSearchPath, [](const httplib::Request& req, httplib::Response& res) {
        // The keyword check writes spaces as "+".
        std::string asked = req.get_param_value("q");
        std::replace(asked.begin(), asked.end(), '+', ' ');
        const std::string words = htmlEscaped(asked);
        res.set_content(page("Search results for " + words,
                             "<h1>Sandbox search</h1>\n<p>You searched for <b>" + words +
                                 "</b>.</p>\n<p>1. Harbour Lights Bakery</p>"),
                        kHtml);
    });
}

}  // namespace farrow::sandbox
