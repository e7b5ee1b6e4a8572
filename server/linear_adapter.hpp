// Linear through its GraphQL API (one POST endpoint, the provider's API root): the user's open
// issues are read as the program's direct client reads them (the viewer's teams, then each team's
// open issues over cursor pages, those assigned to the viewer kept), and become tasks. Completing
// an issue moves it to its team's first state of type "completed"; deleting archives it, which
// Linear lets its users undo.
#pragma once

#include "linear/linear_graphql.hpp"
#include "server/pipeline_adapter.hpp"

namespace talewick::server {

// Requests of Linear's GraphQL client sent through the user's session. A refusal of Linear's
// (an HTTP status, an "errors" envelope) becomes a ProviderFailure in French; a write refused
// for want of scope says how to mend it.
LinearGraphQLClient::Send linearSend(ProviderSession& session);

// Runs `call` with the session's sender, its Linear errors as ProviderFailure; `write` words a
// refusal as a write's.
template <class Call>
auto withLinear(ProviderSession& session, bool write, const Call& call) {
  try {
    return call(linearSend(session));
  } catch (const LinearGraphQLError& e) {
    throw ProviderFailure("Linear : " +
                          (write ? LinearGraphQLClient::writeErrorMessage(e) : e.message()));
  }
}

// Where Linear serves the files its users upload (images in issues and comments).
inline constexpr std::string_view LINEAR_UPLOADS_URL = "https://uploads.linear.app";

// Whether `url` names a file under `uploadsBaseURL` (its scheme and host, then a path), in plain
// URL characters only: the token is sent there, and the text goes on the request line as is.
bool isLinearUpload(std::string_view url, std::string_view uploadsBaseURL);

// An issue as a pipeline item; nullopt for a done one.
std::optional<PipelineItem> linearItem(const Linear::Issue& issue);

class LinearAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

}  // namespace talewick::server
