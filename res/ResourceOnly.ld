/* Link script of the resource module: the image holds its resources and
   nothing else (no code, no imports, no exports, no relocations). */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .rsrc __image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ ) :
  {
    *(.rsrc)
    *(SORT(.rsrc$*))
  }
  /DISCARD/ : { *(*) }
}
