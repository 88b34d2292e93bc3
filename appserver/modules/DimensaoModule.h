#pragma once

class MethodRegistry;

// The remote data module "KZR01200.rdmDimensao": dimensions, their extra attributes, and the
// structure checks of both.
class DimensaoModule
{
public:
    static constexpr const char *Name = "KZR01200.rdmDimensao";
    static void registerIn(MethodRegistry &registry);
};
