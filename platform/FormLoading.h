#pragma once
// Reading a form description: a form runs setupUi inside a TFormLoading scope,
// so the components made there know they are being read, and calls Loaded()
// on each of them afterwards.

class TFormLoading
{
public:
    TFormLoading();
    ~TFormLoading();
    TFormLoading(const TFormLoading &) = delete;
    TFormLoading &operator=(const TFormLoading &) = delete;
};

// True while some form's description is being read (scopes nest).
bool FormIsLoading();
