#include "Interaction.h"

#include "QtInteraction.h"

namespace {
std::unique_ptr<Interaction> &installed()
{
    static std::unique_ptr<Interaction> interaction;
    return interaction;
}
} // namespace

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
