#include "Interaction.h"

#include "QtInteraction.h"
#include "TClientDataSet.h"

namespace {
std::unique_ptr<Interaction> &installed()
{
    static std::unique_ptr<Interaction> interaction;
    return interaction;
}
} // namespace

FindFields FindFields::of(const TClientDataSet *dataSet)
{
    FindFields offered;
    for (int i = 0; dataSet && i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        if (field->Visible())
            offered.fields.emplace_back(field->FieldName(), field->DisplayLabel());
    }
    if (!offered.fields.empty())
        offered.initial = offered.fields.front().first;
    return offered;
}

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

Interaction &Interaction::current()
{
    std::unique_ptr<Interaction> &interaction = installed();
    if (!interaction)
        interaction = std::make_unique<QtInteraction>();
    return *interaction;
}

void Interaction::install(std::unique_ptr<Interaction> interaction)
{
    installed() = std::move(interaction);
}
