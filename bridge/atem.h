// Blackmagic ATEM switchers on the network: UDP, port 9910, as the
// switcher's own clients speak it. No socket and no timer here: the
// session is told what came and says what to send back; the transport
// (transports/atemlink) keeps time.
//
// Every datagram starts with a 12-byte header, 16-bit fields big-endian:
//   0-1   flags (the top 5 bits) and the datagram's length (the low 11)
//   2-3   the session: the client's own id (0 to 0x7FFF) during the
//         opening handshake, then the one the switcher gave, top bit set
//   4-5   with the ack flag, the last of the peer's packets taken in order
//   6-7   with the resend-request flag, the first packet to send again
//   8-9   unknown, sent as 0
//   10-11 with the ack-request flag, the sender's packet id: 15 bits,
//         one more each packet, 0x7FFF followed by 0
// Flags: 0x08 ack request, 0x10 SYN (the handshakes), 0x20 a retransmit,
// 0x40 resend request, 0x80 ack. A SYN packet is 20 bytes; its 13th byte is
// the opcode: 1 open, 2 accepted (the switcher's session id in bytes 14-15,
// to be used with the top bit set), 3 rejected, 4 closing, 5 closed.
//
// The client opens with SYN (open) under an id of its own; the switcher
// answers accepted; the client acks that under the same id, and the
// switcher sends its whole state, many packets, ending with the command
// InCm. Every packet with the ack-request flag (commands, and the
// switcher's keep-alives twice a second) is acked. After the header a
// packet holds whole commands, each an 8-byte header (its length, header
// included, 2 bytes unused, a 4-character name) and its data.
#pragma once

#include "bridge/malformed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

namespace bridge {

inline constexpr quint16 kAtemPort = 9910;

namespace atem {
inline constexpr quint8 kAckRequest = 0x08;
inline constexpr quint8 kSyn = 0x10;
inline constexpr quint8 kRetransmit = 0x20;
inline constexpr quint8 kResendRequest = 0x40;
inline constexpr quint8 kAck = 0x80;
inline constexpr int kHeader = 12;
inline constexpr int kSynSize = 20;
inline constexpr int kMaxSize = 0x7FF; // what 11 bits of length say at most
inline constexpr quint16 kIdMask = 0x7FFF;
enum Opcode : quint8 { kOpen = 1, kAccepted = 2, kRejected = 3, kClosing = 4, kClosed = 5 };
// A header: flags, the datagram's size, session, ack id, resend id and
// packet id; the rest of the datagram is for the caller to append.
QByteArray header(quint8 flags, int size, quint16 session, quint16 ackId = 0, quint16 resendId = 0,
                  quint16 packetId = 0);
} // namespace atem

// One session with a switcher: the handshake, the acks, the order of the
// switcher's packets. Packets that come ahead of one missing are kept (up
// to kMaxHeld) and the missing one is asked for again, and again after
// the gap's end while newer ones were seen; each packet's commands come
// out once, in the switcher's order.
class AtemSession {
public:
    static constexpr int kMaxHeld = 64;
    // Packets ahead of a missing one after which it is asked for again.
    static constexpr int kAskAgain = 16;

    enum class Stage { Closed, Opening, Open, Rejected };

    // What a datagram means.
    struct Read {
        bool ours = false;          // of this session (or its handshake): the switcher is alive
        bool accepted = false;      // the handshake is complete: the state dump follows
        bool rejected = false;      // the switcher takes no more clients
        bool closed = false;        // the switcher ended the session
        QList<QByteArray> replies;  // to send back, in order
        QList<QByteArray> payloads; // the commands of each packet taken, in the switcher's order
        qint64 malformed = 0;       // a datagram that is no ATEM packet
    };

    // Starts a new session under the client's id (its low 15 bits): the SYN.
    QByteArray open(quint16 client);
    Read read(QByteArrayView datagram);
    // A keep-alive for an open session (with an id of the client's own, for
    // the switcher to ack); empty otherwise.
    QByteArray keepAlive();
    // Ends an open session: the closing request, or empty when none is open.
    QByteArray close();

    Stage stage() const { return m_stage; }
    // The switcher's id of an open session, top bit set.
    quint16 session() const { return m_session; }
    // Packets held ahead of a missing one.
    qsizetype held() const { return m_held.size(); }

private:
    void take(quint16 id, QByteArrayView datagram, Read &r);

    Stage m_stage = Stage::Closed;
    quint16 m_client = 0, m_session = 0;
    quint16 m_last = 0;             // the switcher's last packet taken in order
    quint16 m_local = 0;            // the client's last keep-alive
    quint16 m_newest = 0;           // the newest packet seen, taken or not
    std::optional<quint16> m_asked; // the packet asked for again, while it is missing
    int m_aheadSinceAsked = 0;
    QMap<quint16, QByteArray> m_held; // by packet id: payloads ahead of a missing packet
};

// The switcher's own tally by index (TlIn), the same its tally outputs
// give: entry n - 1 is input n, bit 0 program, bit 1 preview. A source in a
// transition or a keyer is lit as the switcher lights it.
using AtemTally = QList<quint8>;

// What a packet's commands say.
struct AtemNews {
    QList<AtemTally> tallies;             // each TlIn, once the state dump is complete
    QList<std::pair<int, QString>> names; // input n's long name (InPr), inputs 1 to 999
};

// The commands of one session's packets, a packet's payload at a time and
// in the switcher's order. The state dump's tally is held until InCm
// (initialisation complete) and given then, its newest; every TlIn after
// that at once. Other commands are passed over.
class AtemReader {
public:
    AtemNews feed(QByteArrayView payload);
    // InCm came: the dump is complete.
    bool initialised() const { return m_initialised; }
    // Commands cut short, and TlIn whose count does not fit, since the start.
    const MalformedCount &malformed() const { return m_malformed; }
    MalformedCount &malformed() { return m_malformed; }
    qsizetype pending() const { return 0; } // a packet holds whole commands

private:
    bool m_initialised = false;
    std::optional<AtemTally> m_dumped; // the dump's newest TlIn, until InCm
    MalformedCount m_malformed;
};

} // namespace bridge
