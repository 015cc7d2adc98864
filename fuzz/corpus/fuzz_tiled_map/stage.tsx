<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.10" name="stage" tilewidth="16" tileheight="16" tilecount="5" columns="16">
 <image source="stage.png" width="256" height="16"/>
 <tile id="0">
  <properties>
   <property name="behaviour" type="int" value="1"/>
  </properties>
 </tile>
</tileset>
