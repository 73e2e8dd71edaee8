// Screen variants: the lines of the full-screen pictures that a touch screen and the web
// edition say differently, laid over the desktop's pictures as they are loaded.
#pragma once

class Image;

// Lays this player's lines over the picture of resource `id`, if it has any; the desktop
// program's pictures stay as they are (and nothing more is loaded for them).
void adaptScreen(Image* image, int id);
