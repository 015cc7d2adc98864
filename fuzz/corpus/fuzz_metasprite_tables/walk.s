; walk
.export walk
FLIP = $40
walk_0:
  .byte -8,$F0,$10,%01 | FLIP
  .byte $80
walk:
  .word walk_0
