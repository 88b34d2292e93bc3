#include "DialogContext.h"

namespace {
DialogContext::Details &contextDetails()
{
    static DialogContext::Details details;
    return details;
}
} // namespace

DialogContext::DialogContext(Details details) : m_previous(contextDetails())
{
    contextDetails() = std::move(details);
}

DialogContext::~DialogContext()
{
    contextDetails() = m_previous;
}

const DialogContext::Details &DialogContext::current()
{
    return contextDetails();
}
