#pragma once

class QWidget;

// The gallery's content: every kit piece in its states, in a window styled with ovsRoot.
QWidget *makeGallery(bool withPickers);
