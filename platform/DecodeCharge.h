#pragma once

#include "Exceptions.h"

#include <QtGlobal>

// Where the memory that decoding a peer's bytes builds beyond them is counted: the server's
// budget for incoming requests.
class DecodeAccount
{
public:
    virtual bool take(qint64 bytes) = 0; // false: no room
    virtual void giveBack(qint64 bytes) = 0;

protected:
    ~DecodeAccount() = default;
};

// Decoding a peer's item builds more than its bytes: a variant of 32 bytes for a null of one,
// a row of texts for a few bytes of CBOR. While a DecodeCharge lives on a thread, every decoder
// on that thread charges what it builds to its account before it builds it, and the charge is
// refused (EDecodeRefused) once the account has no room: a request is answered with that
// instead of taking the server's memory. Without one nothing is counted. What was charged is
// given back when the DecodeCharge goes; it takes from the account in growing steps, so that a
// large item costs a few updates of a shared count, not one per value.
class DecodeCharge
{
public:
    explicit DecodeCharge(DecodeAccount &account);
    ~DecodeCharge();
    DecodeCharge(const DecodeCharge &) = delete;
    DecodeCharge &operator=(const DecodeCharge &) = delete;

    // Charges count items of `each` bytes to the thread's account, if any.
    static void charge(quint64 count, qint64 each = 1);
    qint64 charged() const { return m_used; } // by the decoders, since it began

private:
    void add(qint64 bytes);

    DecodeAccount &m_account;
    DecodeCharge *m_outer;
    qint64 m_taken = 0; // from the account
    qint64 m_used = 0;  // of what was taken
};

class EDecodeRefused : public Exception
{
public:
    using Exception::Exception;
};
