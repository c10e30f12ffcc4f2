// The lamp test's request as any client may send it: whatever is taken
// lights an input that exists, on a bus that exists, for 1 to 60 s, and
// reads back the same when written out again.
#include "bridge/http/testrequest.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace bridge;
    const auto read = readTestRequest(QByteArrayView(data, qsizetype(size)));
    if (const QString *why = std::get_if<QString>(&read)) {
        if (why->isEmpty()) std::abort();
        return 0;
    }
    const TestRequest &t = std::get<TestRequest>(read);
    if (t.input < 1 || t.input > kParallelInputs || t.seconds < 1 || t.seconds > kMaxTestS) std::abort();
    const QByteArray again = QStringLiteral("{\"input\":%1,\"bus\":\"%2\",\"seconds\":%3}")
                                 .arg(t.input)
                                 .arg(busName(t.bus))
                                 .arg(t.seconds)
                                 .toUtf8();
    const auto reread = readTestRequest(again);
    if (!std::holds_alternative<TestRequest>(reread) || std::get<TestRequest>(reread) != t) std::abort();
    return 0;
}
