#pragma once

namespace button {

// Where the picture stands relative to the caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// When the button fills its background.
enum TTransparentMode { tmAlways, tmNotFocused, tmNone };

// `down` is pressed now; `exclusive` is held down in a group.
enum class ButtonState { up, disabled, down, exclusive };

} // namespace button
