#!/usr/bin/env bash
# Renders the SVG sources in res/svg into the PNGs the program embeds.
# Run after changing a drawing; the PNGs are kept in the repository so a
# build needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "render.sh: needs rsvg-convert (librsvg2-bin)" >&2; exit 1; }

render() {  # source width height output
    rsvg-convert -w "$2" -h "$3" -o "png/$4" "svg/$1"
}

render skin_background.svg 48 98 skin_background.png
render button_face_small.svg 70 70 button_face_small.png
render button_pressed_small.svg 70 70 button_pressed_small.png
render button_face_big.svg 140 140 button_face_big.png
render button_pressed_big.svg 140 140 button_pressed_big.png
render encoder_highlight.svg 176 146 encoder_highlight.png
render toolbar.svg 192 16 toolbar16.png
render toolbar.svg 384 32 toolbar32.png
render desk_connected.svg 32 32 desk_connected.png
render desk_not_connected.svg 32 32 desk_not_connected.png
render app_icon.svg 64 64 app_icon.png
render mode_fine.svg 16 15 mode_fine.png
render mode_medium.svg 16 15 mode_medium.png
render mode_coarse.svg 16 15 mode_coarse.png
render shortcut_mode.svg 16 15 shortcut_mode.png
render lost_connection.svg 32 32 lost_connection.png
render chatbar.svg 160 16 chatbar16.png
render chat_help_send.svg 32 32 chat_help_send.png
render chat_help_clear.svg 32 32 chat_help_clear.png
# The application icon in the sizes a desktop's icon theme asks for.
for n in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "png/icons/$n"
    render app_icon.svg "$n" "$n" "icons/$n/kel-remote.png"
done
