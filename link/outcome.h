// What a step that can fail gives back: success, or the reason it failed.
// Reading it always asks "did it work?" (ok()), so a failure can never be
// taken for success by a bare truth test, and it must not be dropped.
#pragma once

#include <optional>
#include <utility>

namespace unitlink {

template <typename Error>
class [[nodiscard]] Outcome {
public:
    Outcome() = default; // success
    Outcome(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    // Why it failed; only meaningful when !ok().
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

} // namespace unitlink
