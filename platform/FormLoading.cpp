#include "platform/FormLoading.h"

namespace {
int g_depth = 0; // the GUI thread only
}

TFormLoading::TFormLoading()
{
    ++g_depth;
}

TFormLoading::~TFormLoading()
{
    --g_depth;
}

bool FormIsLoading()
{
    return g_depth > 0;
}
