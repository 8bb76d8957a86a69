#pragma once
// A call back for runs of the document's bytes, taken by reference: reading
// a text of gigabytes run by run calls it often, so it neither allocates nor
// copies what it calls.

#include <QtGlobal>

#include <type_traits>

class TRunVisitor
{
public:
    // f(data, length, position) returns true to go on, false to stop.
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TRunVisitor>>>
    TRunVisitor(F &&f) // NOLINT: stands in for the callable it is made from
        : m_context(const_cast<void *>(static_cast<const void *>(&f))),
          m_call([](void *context, const char *data, qsizetype length, qsizetype pos) {
              return (*static_cast<std::remove_reference_t<F> *>(context))(data, length, pos);
          })
    {
    }

    bool operator()(const char *data, qsizetype length, qsizetype pos) const { return m_call(m_context, data, length, pos); }

private:
    void *m_context;
    bool (*m_call)(void *, const char *, qsizetype, qsizetype);
};
