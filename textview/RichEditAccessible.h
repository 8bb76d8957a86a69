#pragma once
// What screen readers see of the text control: its text, caret and selection.

// Registers the accessible face of every TRichEdit; safe to call often.
void InstallRichEditAccessible();
