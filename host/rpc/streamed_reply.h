#pragma once
#include <QByteArray>
#include <QString>
#include <memory>

#include "rpc/rpc_values.h"

namespace cot {

class PacketRowsReader;

// The body of a JSON-RPC reply, read while it arrives. A list of many rows is written by
// the server as it reads them; each complete row is read here as soon as its last byte is
// in, so the desktop's reading overlaps the server's writing instead of starting after
// the last byte. Only the shape the server writes for a packet result is read that way:
//   {"jsonrpc":"2.0","id":<id>,"result":{"fields":[...],"rows":[[...],...]}}
// Anything else (an error, another result, another layout) and any doubt on the way (a
// row that does not read, a cut body) is left to readRpcReply() on the whole body when it
// ends, which the bytes are kept for untouched: the outcome is always what readRpcReply()
// gives for the same body.
class StreamedReply {
public:
    explicit StreamedReply(qint64 id);
    ~StreamedReply();
    StreamedReply(const StreamedReply&) = delete;
    StreamedReply& operator=(const StreamedReply&) = delete;

    void reserve(qsizetype bytes);
    void append(const char* data, qsizetype size);  // the body's next bytes
    // The body ended: the result, or the failure with `invalidText` (see readRpcReply).
    RpcResult finish(const QString& invalidText);
    // Rows read so far as they arrived (none once the reply is left to the whole reading).
    qsizetype rowsRead() const;

private:
    enum class State { Head, Rows, End, Whole };
    enum class Next { FirstRow, Row, Separator };  // in the rows: what may come next
    void readHead();
    void readRows();
    bool readRow(qsizetype from, qsizetype to);
    qsizetype endOfValue(qsizetype from);

    // Where the scan for the end of the value being read stopped (next < 0: none begun).
    struct Scan {
        qsizetype next = -1;
        int depth = 0;
        bool inString = false;
    };

    qint64 id_;
    QByteArray body_;  // every byte as received
    qsizetype at_ = 0;  // where reading goes on
    Next next_ = Next::FirstRow;
    State state_ = State::Head;
    std::unique_ptr<PacketRowsReader> rows_;
    QByteArray scratch_;  // one value's text, parsed in place
    Scan scan_;
};

}  // namespace cot
