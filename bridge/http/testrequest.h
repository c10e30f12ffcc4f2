// A lamp test as the status page asks for it: {"input": 5, "bus":
// "program", "seconds": 10}. Read from whatever a client sent, so every
// field is checked and anything else is refused with a reason.
#pragma once

#include "bridge/tallystate.h"

#include <QByteArrayView>
#include <QString>

#include <variant>

namespace bridge {

inline constexpr int kMaxTestS = 60;

struct TestRequest {
    int input = 0;
    Bus bus = Bus::Program;
    int seconds = 0;
    friend bool operator==(const TestRequest &, const TestRequest &) = default;
};

// The request, or why it is not one.
std::variant<TestRequest, QString> readTestRequest(QByteArrayView body);

QString busName(Bus bus); // "program", "preview", "both"

} // namespace bridge
