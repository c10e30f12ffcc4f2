#include "link/framemeaning.h"

namespace unitlink {

namespace {

FrameMeaning commandMeaning(const Command &c)
{
    FrameMeaning m;
    m.role = FrameMeaning::Role::Command;
    m.command = c.id();
    m.mnemonic = c.mnemonic();
    m.address = c.address();
    m.data = c.data();
    const QString &d = c.data();
    switch (c.spec().data) {
    case DataShape::None: break;
    case DataShape::Image: {
        const QString hexText = hexTextFromDigits(QStringView(d).left(64));
        // The same image with the checksum it should carry.
        const QString right = uploadData(c.address(), hexText);
        m.image = ImageMeaning{hexText.trimmed(), d.mid(64), right.mid(64), right == d};
        break;
    }
    case DataShape::Text: m.text = d; break;
    case DataShape::Byte: m.modeByte = d; break;
    case DataShape::Input: m.input = d.front(); break;
    case DataShape::InputList:
        m.tallies = TallyListMeaning{c.id() == Mnemonic::TLY ? TallyLamp::Program : TallyLamp::Preview, d};
        break;
    case DataShape::NewAddress: m.newAddress = d; break;
    }
    return m;
}

FrameMeaning replyMeaning(const Reply &r)
{
    using Kind = Reply::Kind;
    FrameMeaning m;
    m.role = FrameMeaning::Role::Reply;
    m.reply = r.kind();
    if (r.command()) m.command = r.command()->id;
    m.mnemonic = r.mnemonic().toString();
    m.data = r.data().toString();
    switch (r.kind()) {
    case Kind::Image: {
        const ImageReply image = r.image();
        m.image = ImageMeaning{image.hexText.trimmed(), image.received, image.expected, image.checksumOk};
        m.fault = !image.checksumOk;
        break;
    }
    case Kind::Done: break;
    case Kind::Flag: m.flag = r.flag().toString(); break;
    case Kind::Inputs: m.inputs = InputsMeaning{r.pgmInput(), r.pvwInput()}; break;
    case Kind::Address: m.address = r.address(); break;
    case Kind::TallyList:
        m.tallies = TallyListMeaning{r.answers(Mnemonic::TLY) ? TallyLamp::Program : TallyLamp::Preview, m.data};
        break;
    case Kind::UnitError: {
        const std::optional<UnitError> e = r.error();
        m.unitError = UnitErrorMeaning{e, e ? unitErrorText(*e) : QString()};
        m.fault = true;
        break;
    }
    case Kind::Malformed:
        m.malformed = true;
        m.fault = true;
        break;
    case Kind::Unknown: break;
    }
    return m;
}

std::optional<FrameMeaning> asCommand(QStringView body)
{
    if (const std::optional<Command> c = Command::parseBody(body)) return commandMeaning(*c);
    return std::nullopt;
}

std::optional<FrameMeaning> asReply(QStringView body)
{
    const Reply r = Reply::parse(body);
    if (r.kind() == Reply::Kind::Unknown) return std::nullopt;
    return replyMeaning(r);
}

} // namespace

FrameMeaning frameMeaning(QStringView body, Reading reading)
{
    std::optional<FrameMeaning> m;
    switch (reading) {
    case Reading::Commands: m = asCommand(body); break;
    case Reading::RepliesFirst:
        m = asReply(body);
        // Another controller on the line talks in commands.
        if (!m) m = asCommand(body);
        break;
    case Reading::CommandsFirst:
        m = asCommand(body);
        if (!m) m = asReply(body);
        break;
    }
    if (!m) {
        m.emplace();
        m->data = body.toString();
        m->fault = reading != Reading::Commands;
    }
    m->body = body.toString();
    return *m;
}

} // namespace unitlink
