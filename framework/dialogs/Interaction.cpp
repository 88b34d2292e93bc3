#include "Interaction.h"

namespace {
std::unique_ptr<Interaction> &installed()
{
    static std::unique_ptr<Interaction> interaction;
    return interaction;
}

std::unique_ptr<Interaction> (*&standard())()
{
    static std::unique_ptr<Interaction> (*make)() = nullptr;
    return make;
}
} // namespace

Interaction &Interaction::current()
{
    std::unique_ptr<Interaction> &interaction = installed();
    if (!interaction) {
        if (!standard())
            qFatal("kzrframework: no interaction installed and no standard one");
        interaction = standard()();
    }
    return *interaction;
}

void Interaction::setStandard(std::unique_ptr<Interaction> (*make)())
{
    standard() = make;
}

void Interaction::install(std::unique_ptr<Interaction> interaction)
{
    installed() = std::move(interaction);
}
