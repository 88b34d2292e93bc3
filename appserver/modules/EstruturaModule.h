#pragma once

class MethodRegistry;

// The remote data module "KZR00600.rdmEstrutura": what the database's structure offers.
class EstruturaModule
{
public:
    static constexpr const char *Name = "KZR00600.rdmEstrutura";
    static void registerIn(MethodRegistry &registry);
};
